#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine, in the test prefix: a private
# prefix (WINEPREFIX, by default build/windows/wineprefix) made on first use, with no
# crash dialog that could hang a test run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/../../build/windows/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
bash "$here/wine_prefix.sh" "$WINEPREFIX"
exec wine "$@"
