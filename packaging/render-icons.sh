#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon's PNGs from icons/torvale.svg (run after
# changing the drawing; the PNGs are kept in the repository so that building
# needs no SVG renderer), and the README's picture of it at 48 and 256 px.
# Needs librsvg2-bin and imagemagick.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/icons/torvale.svg" -o "$here/icons/torvale-$size.png"
done
convert -background '#f4f4f2' \
  "$here/icons/torvale-256.png" \( "$here/icons/torvale-48.png" -gravity south -extent 48x256 \) \
  -gravity south +smush 40 -bordercolor '#f4f4f2' -border 24 \
  -strip "$here/../docs/images/icon.png"
