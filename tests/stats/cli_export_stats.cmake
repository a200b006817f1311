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
