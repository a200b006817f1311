#!/usr/bin/env bash
# Builds the Debian package and checks it as a user meets it: lintian, an
# install by apt-get (so that its Depends resolve), the installed program run
# once, its desktop entry and metainfo validated, and the package removed
# again.  Needs root; ./scripts/test.sh runs it under CI (CI=true) or when
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

echo "== apt-get purge"
quietly env DEBIAN_FRONTEND=noninteractive apt-get purge -y torvale
installed=
[ ! -e /usr/bin/torvale ] && [ ! -e "/usr/share/applications/$app_id.desktop" ]
echo "package-check: passed"
