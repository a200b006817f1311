#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a text of the program is missing from a translation, still
# unfinished there, or kept there although the program no longer uses it.
# lupdate reads the sources into a copy of each translations/*.ts; the
# files themselves are left alone.  With --update, writes the .ts files
# (new texts arrive unfinished, for a translator to fill in); with
# --update translations/torvale_<code>.ts, starts a new language.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || lupdate="$(command -v lupdate)"
sources=(core serial logfile graph dose stats measure publish upload cli window app)
cd "$root"
if [ "${1:-}" = --update ]; then
  shift
  [ $# -gt 0 ] || set -- translations/*.ts
  "$lupdate" -silent -locations none -I "$root" -no-obsolete "${sources[@]}" -ts "$@"
  exit 0
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for ts in translations/*.ts; do
  copy="$work/$(basename "$ts")"
  cp "$ts" "$copy"
  "$lupdate" -silent -locations none -I "$root" "${sources[@]}" -ts "$copy"
  bad="$(grep -c -E 'type="(unfinished|obsolete|vanished)"' "$copy" || true)"
  if [ "$bad" -ne 0 ]; then
    echo "$ts: $bad texts untranslated or no longer used; run scripts/check-translations.sh --update and translate them:" >&2
    grep -B3 -E 'type="(unfinished|obsolete|vanished)"' "$copy" | grep '<source>' >&2 || true
    status=1
  fi
  if ! cmp -s "$ts" "$copy"; then
    echo "$ts: not up to date with the sources; run scripts/check-translations.sh --update" >&2
    status=1
  fi
done
exit "$status"
