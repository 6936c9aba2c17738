# Shared steps of the out-of-process tests, sourced by each *_wine.sh script.
# Arguments of every script:
#   EMULATOR hotfolders.exe hotFolders.dll Morvex.dll MorvexServer.exe MorvexProxy.dll hotfolders-loggen.exe
# The scripts lay out trees as installed in a private work folder, register the
# engine server from there (HKLM\Software\Classes, the only place Wine 8 looks
# for COM classes) and run hotfolders.exe in the prefix's HKCU\Software\Quorvane,
# so nothing else may run beside them. On exit, however they end, they kill the
# servers started from the work folder, unregister what they registered and
# delete the settings key.
set -euo pipefail

if (($# < 7)); then
  echo "usage: $0 EMULATOR hotfolders.exe hotFolders.dll Morvex.dll MorvexServer.exe MorvexProxy.dll hotfolders-loggen.exe" >&2
  exit 2
fi
emulator=$1
tool=$2
library=$3
engine=$4
server=$5
proxy=$6
loggen=$7

work=$(mktemp -d "${TMPDIR:-/tmp}/hf-oop.XXXXXX")
key='HKCU\Software\Quorvane'
# A copy of the server kept out of the trees, for unregistering after a case
# has deleted or replaced the server of a tree.
mkdir "$work/pristine"
cp "$server" "$proxy" "$work/pristine/"
registered=()

# Each tree's engine must find its logs where the test says: through
# MORVEX_HISTORY_DIR set for one command, or the server's --history.
unset MORVEX_HISTORY_DIR

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# windows_path PATH: the Z: drive form of an absolute path.
windows_path() { printf 'Z:%s' "$1" | sed 's|/|\\|g'; }

# server_pids: the processes of servers started from this test's work folder.
# Wine shows a process's command line in its Windows form.
server_pids() {
  local pid line
  for pid in $(pgrep -f 'MorvexServer' || true); do
    line=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline") || continue
    case $line in
      *"$(windows_path "$work")"* | *"$work"*) echo "$pid" ;;
    esac
  done
}

# kill_servers: kills this test's servers and waits until they are gone.
kill_servers() {
  local pids i
  for ((i = 0; i < 50; i++)); do
    pids=$(server_pids)
    [[ -z $pids ]] && return 0
    # shellcheck disable=SC2086
    kill -9 $pids 2>/dev/null || true
    sleep 0.1
  done
  echo "servers still running: $(server_pids)" >&2
  return 1
}

# wait_servers_gone SECONDS: true once no server of this test runs, false if
# one still runs after SECONDS.
wait_servers_gone() {
  local deadline=$((SECONDS + $1))
  while [[ -n $(server_pids) ]]; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# server_cmd ARGS...: runs the pristine server with ARGS; its output in
# $work/server.out, its exit status in $server_status.
server_cmd() {
  server_status=0
  "$emulator" "$work/pristine/$(basename "$server")" "$@" >"$work/server.out" 2>&1 || server_status=$?
}

# register TREE [--machine] [ARGS...]: registers TREE's server.
register() {
  local tree=$1
  shift
  local status=0
  "$emulator" "$tree/Kernel/$(basename "$server")" /RegServer "$@" >"$work/server.out" 2>&1 || status=$?
  if [[ ${1:-} == --machine ]]; then registered+=(--machine); else registered+=(user); fi
  ((status == 0)) || { cat "$work/server.out" >&2; fail "MorvexServer.exe /RegServer $* exited $status"; }
}

# unregister [--machine]: removes the registration, from the pristine copy.
unregister() {
  server_cmd /UnregServer "$@"
  ((server_status == 0)) || { cat "$work/server.out" >&2; fail "MorvexServer.exe /UnregServer $* exited $server_status"; }
}

# The tests start with the engine class registered nowhere, whatever an
# earlier run left behind.
server_cmd /UnregServer --machine
server_cmd /UnregServer

cleanup() {
  local status=$? scope
  set +e
  kill_servers
  for scope in "${registered[@]}"; do
    if [[ $scope == --machine ]]; then server_cmd /UnregServer --machine; else server_cmd /UnregServer; fi
  done
  if declare -F cleanup_case >/dev/null; then cleanup_case; fi
  "$emulator" reg delete "$key" /f >/dev/null 2>&1
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# layout ROOT in-process|out-of-process|both: the build's binaries as
# installed under ROOT: bin/ holds the tool and the library, Kernel/ the
# engine library, the server and its proxy, or all three.
layout() {
  mkdir -p "$1/bin" "$1/Kernel"
  cp "$tool" "$library" "$1/bin/"
  case $2 in
    in-process) cp "$engine" "$1/Kernel/Morvex.dll" ;;
    out-of-process) cp "$server" "$proxy" "$1/Kernel/" ;;
    both) cp "$engine" "$1/Kernel/Morvex.dll"; cp "$server" "$proxy" "$1/Kernel/" ;;
  esac
}

# generate DIR LOGGEN-ARGS...: writes first.log and second.log into DIR.
generate() {
  local dir=$1
  shift
  "$emulator" "$loggen" --out "$(windows_path "$dir")" "$@" >/dev/null || fail "hotfolders-loggen failed"
}

# hotfolders TREE ARGS...: runs TREE's tool, with the assignments in the
# array tool_env added to its environment; output in $work/tool.out and
# $work/tool.err, exit status in $tool_status, wall seconds in $tool_seconds. A
# run that takes more than 120 s is killed (status 137).
tool_env=()
hotfolders() {
  local tree=$1 start
  shift
  tool_status=0
  start=$EPOCHREALTIME
  env "${tool_env[@]}" timeout -s KILL 120 "$emulator" "$tree/bin/$(basename "$tool")" "$@" \
    >"$work/tool.out" 2>"$work/tool.err" || tool_status=$?
  tool_seconds=$(python3 -c "print(f'{$EPOCHREALTIME - $start:.2f}')")
}

# must TREE ARGS...: runs TREE's tool and fails the test unless it exits 0.
must() {
  hotfolders "$@"
  ((tool_status == 0)) || {
    cat "$work/tool.out" "$work/tool.err" >&2
    fail "hotfolders ${*:2} in $1 exited $tool_status"
  }
}

# fresh_key TREE: an empty settings key.
fresh_key() {
  "$emulator" reg delete "$key" /f >/dev/null 2>&1 || true
  must "$1" init
}

# stored_value: the bytes of the stored hotFolders value in hex ("missing"
# when there is none), from an export of the key.
stored_value() {
  "$emulator" reg export "$key" "$(windows_path "$work/key.reg")" /y >/dev/null 2>&1 || fail "reg export of $key failed"
  python3 - "$work/key.reg" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-16").read().replace("\\\n", "").replace(" ", "")
found = re.search(r'^"hotFolders"=hex\(7\):([0-9a-f,]*)$', text, re.M)
print(found.group(1).replace(",", "") if found else "missing")
PY
}

# store_value HEX: sets the hotFolders value to these bytes, as REG_MULTI_SZ
# (a .reg file imported, which appends one NUL unit; readers stop there).
store_value() {
  python3 - "$1" "$work/set.reg" <<'PY'
import sys
data = ",".join(sys.argv[1][i:i + 2] for i in range(0, len(sys.argv[1]), 2))
text = 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorvane]\r\n'
text += f'"hotFolders"=hex(7):{data}\r\n'
open(sys.argv[2], "w", encoding="utf-16", newline="").write(text)
PY
  "$emulator" reg import "$(windows_path "$work/set.reg")" >/dev/null 2>&1 || fail "reg import of the hotFolders value failed"
  [[ $(stored_value) == "$1"* ]] || fail "the hotFolders value could not be set to $1"
}

# rebuild TREE NAME [VAR=VALUE...]: an empty key, then update and list --json
# with TREE's tool (the assignments in the environment of both); the list in
# $work/NAME.json and the stored value in $work/NAME.value.
rebuild() {
  local tree=$1 name=$2
  shift 2
  fresh_key "$tree"
  tool_env=("$@")
  must "$tree" update
  must "$tree" list --json
  tool_env=()
  tr -d '\r' <"$work/tool.out" >"$work/$name.json"
  stored_value >"$work/$name.value"
}

# hits JSON: the sum of the ranked hits of a list --json output.
hits() { python3 -c 'import json, sys; print(sum(e["hits"] for e in json.load(open(sys.argv[1]))["folders"]))' "$1"; }

# same_list NAME OTHER WHAT: the lists and stored values NAME and OTHER are
# the same, byte for byte, and rank something.
same_list() {
  [[ $(hits "$work/$1.json") -gt 0 ]] || { cat "$work/$1.json" >&2; fail "$3: the reference ranks nothing"; }
  cmp -s "$work/$1.json" "$work/$2.json" || {
    diff "$work/$1.json" "$work/$2.json" >&2 || true
    fail "$3: list --json differs from the in-process result (above: < in-process, > this case)"
  }
  cmp -s "$work/$1.value" "$work/$2.value" || {
    echo "in-process: $(cat "$work/$1.value")" >&2
    echo "this case:  $(cat "$work/$2.value")" >&2
    fail "$3: the stored hotFolders value differs from the in-process one"
  }
}
