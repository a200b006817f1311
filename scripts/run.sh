#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TORVALE (installing its Debian packages when missing) and starts it.
# Arguments are passed on: ./scripts/run.sh path/to/log.CSV
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
torvale_packages=("${torvale_program_packages[@]}")
torvale_install_packages
TORVALE_TARGETS=torvale torvale_build
exec "$TORVALE_BUILD/app/torvale" "$@"
