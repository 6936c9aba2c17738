#!/bin/sh
# Runs a Windows executable under Wine for ctest. scripts/test prepares the prefix
# and keeps one wineserver alive for the whole run.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/hotfolders-wine}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY
if [ -x /usr/lib/wine/wine64 ]; then exec /usr/lib/wine/wine64 "$@"; fi
exec wine64 "$@"
