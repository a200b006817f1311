#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package and checks it as a user meets it: lintian, the
# service unit's exposure score, an install by apt-get (so that its Depends
# resolve), the installed program run once, its desktop entry, metainfo and
# licence validated, and the package removed and purged again with no file
# of its own left behind.  Needs root; ./scripts/test.sh runs it under CI (CI=true) or when
# TORVALE_PACKAGE_CHECK=1.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
app_id=io.github.torvale.Torvale

if [ "$(id -u)" -ne 0 ]; then
  echo "package-check: installing the package needs root" >&2
  exit 1
fi

deb=$("$here/package.sh" | tail -n1) || { echo "package-check: the package did not build" >&2; exit 1; }
echo "== $deb"
dpkg-deb --field "$deb" Package Version Depends

echo "== lintian"
lintian --fail-on error,warning "$deb"

tmp=$(mktemp -d)

echo "== systemd-analyze security (the unit as packaged)"
mkdir -p "$tmp/deb"
dpkg-deb -x "$deb" "$tmp/deb"
unit=$tmp/deb/usr/lib/systemd/system/torvale-headless@.service
[ -f "$unit" ] || unit=$tmp/deb/lib/systemd/system/torvale-headless@.service
systemd-analyze security --offline=true "$unit" >"$tmp/security.txt" 2>&1 || true
score=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p' "$tmp/security.txt")
echo "exposure $score (at most 3)"
if [ -z "$score" ] || ! awk -v s="$score" 'BEGIN { exit !(s <= 3.0) }'; then
  cat "$tmp/security.txt" >&2
  exit 1
fi

echo "== licence"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$tmp/deb/usr/share/doc/torvale/copyright"
grep -qx 'License: GPL-3.0+' "$tmp/deb/usr/share/doc/torvale/copyright"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
  "$tmp/deb/usr/share/metainfo/$app_id.metainfo.xml"

# Every file and folder outside the package manager's own records, before
# the install and after the purge.
snapshot() {
  find /usr /etc /var/lib /opt -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt \
    -o -path /var/lib/ucf -o -path /etc/ld.so.cache \) -prune -o -print 2>/dev/null | sort
}
snapshot >"$tmp/before.txt"
installed=
cleanup() {
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq torvale >/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

quietly() { "$@" >"$tmp/apt.txt" 2>&1 || { cat "$tmp/apt.txt" >&2; return 1; }; }

echo "== apt-get install"
quietly env DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
installed=1
[ "$(command -v torvale)" = /usr/bin/torvale ]
# The service's user is made even where systemd is not running (a container).
getent passwd torvale >/dev/null
[ -f /usr/share/doc/torvale/examples/torvale-headless ]

echo "== torvale --version (no display)"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY torvale --version)
echo "$version"
[ "$version" = "TORVALE $(dpkg-deb --field "$deb" Version)" ]
torvale-gmsim --rate 200 --count 3 --quit | grep -qx 'sent 3'

# Root, who could write beside /usr/bin/torvale, with a home of its own.
# SIGTERM closes the window as its close box does, which writes the settings.
run_once() {
  mkdir -p "$tmp/run" && chmod 700 "$tmp/run"
  env -u DISPLAY -u XDG_CONFIG_HOME HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run" \
    QT_QPA_PLATFORM=offscreen "$@" torvale >"$tmp/out.txt" 2>&1 &
  local pid=$! waited=0
  sleep 3
  kill -TERM "$pid"
  while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 100 ]; do sleep 0.1; waited=$((waited + 1)); done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    echo "torvale did not end on SIGTERM" >&2
    cat "$tmp/out.txt" >&2
    return 1
  fi
}
echo "== the installed program keeps its settings in ~/.config/torvale"
mkdir -p "$tmp/home"
run_once
if [ ! -s "$tmp/home/.config/torvale/torvale.ini" ]; then
  echo "no settings file in ~/.config/torvale/; files under the home folder:" >&2
  find "$tmp/home" >&2
  cat "$tmp/out.txt" >&2
  exit 1
fi
head -n1 "$tmp/home/.config/torvale/torvale.ini"
run_once XDG_CONFIG_HOME="$tmp/xdg"
[ -s "$tmp/xdg/torvale/torvale.ini" ]
[ ! -e /usr/bin/torvale.ini ]

echo "== desktop entry and metainfo"
desktop-file-validate "/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"
for size in 16x16 48x48 256x256 scalable; do
  ls /usr/share/icons/hicolor/$size/apps/$app_id.* >/dev/null
done
dpkg -L torvale | grep -q "/man1/torvale.1.gz$"

echo "== apt-get remove, then purge"
quietly env DEBIAN_FRONTEND=noninteractive apt-get remove -y torvale
[ ! -e /usr/bin/torvale ] && [ ! -e "/usr/share/applications/$app_id.desktop" ]
quietly env DEBIAN_FRONTEND=noninteractive apt-get purge -y torvale
installed=
# Packages pulled in by the install (fonts, translations) may stay; files of
# the package itself may not.
snapshot >"$tmp/after.txt"
left=$(comm -13 "$tmp/before.txt" "$tmp/after.txt" | grep -i torvale || true)
if [ -n "$left" ]; then
  echo "left behind after the purge:" >&2
  echo "$left" >&2
  exit 1
fi
echo "package-check: passed"
