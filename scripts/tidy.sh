#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy (the checks in .clang-tidy) over the program's own sources
# and fails on any warning.  The program's folders are every top-level folder
# with a CMakeLists.txt except tests/, bench/ and packaging/, so a new library
# folder is checked as soon as it exists.  It configures a compile database
# of its own in build/tidy and checks the sources in the batches the build
# compiles them in, each batch as one file (scripts/tidy_units.py says why);
# findings name the sources' own lines.
#
#   tidy.sh [FILE...]    only the given sources, each alone (while iterating on them)
#
# TORVALE_BUILD names another build folder; TIDY_JOBS the number of clang-tidy
# processes at once (default: the number of processors).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TORVALE_BUILD:-$root/build}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
[ -n "$tidy" ] || { echo "tidy.sh: clang-tidy is not installed (Debian package clang-tidy)" >&2; exit 1; }
commands=$build/tidy
mkdir -p "$commands"
cmake -S "$root" -B "$commands" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON \
  >"$commands/configure.log" 2>&1 ||
  { cat "$commands/configure.log" >&2; echo "tidy.sh: configuring failed" >&2; exit 1; }

folders=()
for dir in "$root"/*/; do
  name=$(basename "$dir")
  case $name in tests | bench | packaging | build*) continue ;; esac
  [ -f "$dir/CMakeLists.txt" ] && folders+=("$name")
done
pattern="$root/($(IFS='|'; echo "${folders[*]}"))/"

# The batches of sources the build compiles, in the program's folders only.
units=$commands/units
rm -rf "$units"
mapfile -t files < <(python3 "$root/scripts/tidy_units.py" units "$commands" "^$pattern" "$units" "$@")
[ ${#files[@]} -gt 0 ] || { echo "tidy.sh: no sources found" >&2; exit 1; }

echo "clang-tidy over $(grep -c '"file"' "$units/compile_commands.json") units in: ${folders[*]}"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
printf '%s\0' "${files[@]}" |
  xargs -0 -n 1 -P "${TIDY_JOBS:-$(nproc)}" "$tidy" -p "$units" --config-file="$root/.clang-tidy" --quiet \
    --extra-arg=-Wreserved-identifier --extra-arg=-Wreserved-macro-identifier \
    --header-filter="^$pattern" --warnings-as-errors='*' 2>&1 |
  python3 "$root/scripts/tidy_units.py" lines "$units" >"$out" || status=1
# clang-tidy's own counts ("N warnings generated") are noise: the checks' findings are errors.
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$out" || true
if [ "$status" -ne 0 ]; then
  echo "clang-tidy: $(grep -c -E ': (warning|error): ' "$out") findings" >&2
  exit 1
fi
echo "clang-tidy: clean"
