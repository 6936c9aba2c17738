#!/bin/sh
# Runs engine_server_tests against MorvexServer.exe registered in the Wine
# prefix's HKLM (the only place Wine's COM reads classes from), one
# registration for each group of tests; the registration is removed on every
# way out, so no later test finds the server.
# Usage: server_wine.sh EMULATOR MorvexServer.exe engine_server_tests.exe HISTORY_DIR Morvex.dll
set -eu
emulator=$1
server=$2
tests=$3
history=$4
dll=$5

unregister() { "$emulator" "$server" /UnregServer --machine >/dev/null 2>&1 || true; }
trap unregister EXIT
trap 'exit 1' INT TERM

windows_path() { "$emulator" winepath -w "$1" | tr -d '\r'; }
MORVEX_OOP_HISTORY=$(windows_path "$history")
MORVEX_DLL=$(windows_path "$dll")
export MORVEX_OOP_HISTORY MORVEX_DLL

run_group() {
  filter=$1
  shift
  "$emulator" "$server" /RegServer --machine --history "$MORVEX_OOP_HISTORY" "$@"
  "$emulator" "$tests" --gtest_filter="$filter"
}

run_group 'ServerTest.*'
run_group 'ServerHangTest.*' --hang-after 5
run_group 'ServerIdleTest.*' --idle-seconds 2
