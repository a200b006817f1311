# torvale --export and --stats on a log the program's writer made.  The log's
# auto-save name dates its columns (12/07 is 2026-12-07).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(LOG "${WORK}/TORVALE 2026年12月7日0時3分.CSV")
execute_process(COMMAND ${MAKE_LOG} ${LOG} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_sample_log failed: ${rc}")
endif()

function(expect_equal what got want)
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "${what}:\n--- got ---\n${got}\n--- want ---\n${want}")
  endif()
endfunction()

execute_process(COMMAND ${TORVALE} --export ${LOG} --factor 100
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
expect_equal("export status" "${rc}" "0")
expect_equal("export to stdout" "${out}" "time,cpm,usv_h
2026-12-06T23:57:00+09:00,20,0.2
2026-12-06T23:58:00+09:00,21,0.21
2026-12-06T23:59:00+09:00,22,0.22
2026-12-07T00:00:00+09:00,23,0.23
2026-12-07T00:02:00+09:00,25,0.25
")

execute_process(COMMAND ${TORVALE} --export ${LOG} --output ${WORK}/out.csv RESULT_VARIABLE rc)
expect_equal("export --output status" "${rc}" "0")
file(READ ${WORK}/out.csv written)
string(SUBSTRING "${written}" 0 42 head)
expect_equal("export --output" "${head}" "time,cpm\n2026-12-06T23:57:00+09:00,20\n2026")

# 21 22 23 25 (x skipped): mean 22.75, s² = 2.9166..., by hand.
execute_process(COMMAND ${TORVALE} --stats ${LOG} --from 2026-12-06T23:58 --to 2026-12-07T00:02
  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
expect_equal("stats status" "${rc}" "0")
string(REGEX MATCH "n=4\nsum=91\nmean=22.75\n" head "${out}")
expect_equal("stats" "${head}" "n=4\nsum=91\nmean=22.75\n")
string(FIND "${out}" "skipped=1\n" at)
if(at LESS 0)
  message(FATAL_ERROR "stats without skipped=1:\n${out}")
endif()

file(WRITE ${WORK}/junk.csv "not a log\n")
foreach(args "--export;${WORK}/junk.csv" "--stats;${WORK}/missing.csv" "--stats;${LOG};--factor;0")
  execute_process(COMMAND ${TORVALE} ${args} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  expect_equal("status of ${args}" "${rc}" "1")
  if(err STREQUAL "")
    message(FATAL_ERROR "no message for ${args}")
  endif()
endforeach()

# Runs torvale in a time zone; sets out, err and rc in the caller.
macro(torvale_in zone)
  execute_process(COMMAND env TZ=${zone} ${TORVALE} ${ARGN}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
endmacro()

function(expect_in what text part)
  string(FIND "${text}" "${part}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${what}: no \"${part}\" in:\n${text}")
  endif()
endfunction()

# A steady 15 cpm tallied through the night the clocks go back: the 60 cells
# of the repeated hour hold two minutes each, so the statistics see 360
# minutes of exactly 15, and the export one row per cell at its second pass.
foreach(case "Europe/Berlin;2026-10-24T22:00;2026-10-25T04:00;2026-10-25T02:00:00+01:00;2026-10-25T03:00:00+01:00"
             "America/New_York;2026-11-01T03:00;2026-11-01T09:00;2026-11-01T01:00:00-05:00;2026-11-01T02:00:00-05:00")
  list(GET case 0 zone)
  list(GET case 1 from)
  list(GET case 2 to)
  list(GET case 3 double)
  list(GET case 4 single)
  string(REPLACE "/" "-" tag "${zone}")
  set(FALL "${WORK}/${tag}/TORVALE 2026年11月2日0時0分.CSV")
  file(MAKE_DIRECTORY ${WORK}/${tag})
  execute_process(COMMAND env TZ=${zone} ${MAKE_LOG} ${FALL} 15 ${from} ${to} RESULT_VARIABLE rc)
  expect_equal("${zone} log" "${rc}" "0")
  torvale_in(${zone} --stats ${FALL})
  expect_in("${zone} stats" "${out}" "n=360\nsum=5400\nmean=15\nsd=0\nsem=0\nmin=15\nmax=15\ndispersion=0\n")
  torvale_in(${zone} --export ${FALL} --factor 100)
  expect_in("${zone} export" "${out}" "time,cpm,usv_h,minutes\n")
  expect_in("${zone} export" "${out}" "\n${double},15,0.15,2\n")
  expect_in("${zone} export" "${out}" "\n${single},15,0.15,1\n")
  string(REGEX MATCHALL ",2\n" twos "${out}")
  list(LENGTH twos n)
  expect_equal("${zone} two-minute rows" "${n}" "60")
endforeach()

# A night of spring recorded where the clocks do not change, read in Berlin:
# the skipped hour keeps its times at the offset before the change.
set(SPRING "${WORK}/TORVALE 2026年3月30日0時0分.CSV")
execute_process(COMMAND env TZ=UTC ${MAKE_LOG} ${SPRING} 15 2026-03-29T00:00 2026-03-29T04:00)
torvale_in(Europe/Berlin --export ${SPRING})
expect_in("spring export" "${out}" "\n2026-03-29T01:59:00+01:00,15\n2026-03-29T02:00:00+01:00,15\n")
expect_in("spring export" "${out}" "\n2026-03-29T02:59:00+01:00,15\n2026-03-29T03:00:00+02:00,15\n")
expect_in("spring warning" "${err}" "warning: 60 row(s)")

# Names without a date: the year from the name, else back from the day the
# file was last modified; stderr says which.
file(COPY_FILE ${LOG} "${WORK}/kept.CSV")
execute_process(COMMAND touch -d "2025-01-03 12:00" "${WORK}/kept.CSV")
torvale_in(Asia/Tokyo --export "${WORK}/kept.CSV")
expect_in("mtime export" "${out}" "\n2024-12-07T00:00:00+09:00,23\n")
expect_in("mtime note" "${err}" "2025-01-03, the day it was last modified")
file(COPY_FILE ${LOG} "${WORK}/log 2023.CSV")
torvale_in(Asia/Tokyo --export "${WORK}/log 2023.CSV")
expect_in("name year" "${out}" "\n2023-12-07T00:00:00+09:00,23\n")
torvale_in(Asia/Tokyo --export "${WORK}/kept.CSV" --year 2021)
expect_in("--year" "${out}" "\n2021-12-07T00:00:00+09:00,23\n")

# Small things: --from after --to, a log cut mid-line, --output into a
# missing folder.
torvale_in(Asia/Tokyo --stats ${LOG} --from 2026-12-07T00:02 --to 2026-12-06T23:58)
expect_equal("--from after --to" "${rc}" "2")
expect_in("--from after --to" "${err}" "Usage:")
execute_process(COMMAND head -c -3 ${LOG} OUTPUT_FILE "${WORK}/TORVALE 2026年12月7日0時4分.CSV")
torvale_in(Asia/Tokyo --stats "${WORK}/TORVALE 2026年12月7日0時4分.CSV")
expect_in("cut log" "${err}" "ends in the middle of line 1442")
torvale_in(Asia/Tokyo --export ${LOG} --output ${WORK}/missing/out.csv)
expect_equal("missing folder status" "${rc}" "1")
expect_in("missing folder" "${err}" "no such folder")
