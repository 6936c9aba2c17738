#!/bin/sh
# hotfolders end to end on Linux, against the library beside it, in a private
# settings hive. Usage: cli_end_to_end.sh PATH/TO/hotfolders
set -eu
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
export MORVEX_HISTORY_DIR="$work/history"
mkdir -p "$MORVEX_HISTORY_DIR"
key="$XDG_CONFIG_HOME/hkcu/Software/Quorvane"
smile=$(printf '\360\237\230\200')  # U+1F600, outside the BMP

fail() { echo "FAIL: $*" >&2; exit 1; }

# run EXPECTED_STATUS ARGS...: runs the tool, output in $work/out and $work/err.
run() {
  expected=$1; shift
  status=0
  "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" -eq "$expected" ] || {
    cat "$work/out" "$work/err" >&2
    fail "hotfolders $* exited $status, expected $expected"
  }
}
out_has() { grep -qF -- "$1" "$work/out" || { cat "$work/out" >&2; fail "stdout lacks: $1"; }; }
err_has() { grep -qF -- "$1" "$work/err" || { cat "$work/err" >&2; fail "stderr lacks: $1"; }; }

# write_value NAME TEXT: a REG_MULTI_SZ value file, type 7 then UTF-16LE, no NUL.
write_value() {
  python3 -c 'import struct,sys; open(sys.argv[1],"wb").write(struct.pack("<I",7)+sys.argv[2].encode("utf-16-le","surrogatepass"))' \
    "$key/$1.value" "$2"
}
# value_text NAME: the value's text as UTF-8.
value_text() {
  python3 -c 'import sys; d=open(sys.argv[1],"rb").read(); assert d[:4]==b"\7\0\0\0"; sys.stdout.write(d[4:].decode("utf-16-le"))' \
    "$key/$1.value"
}

run 4 list
err_has 'hotfolders init'
[ ! -e "$key" ] || fail "list created the key"

run 0 init
[ -d "$key" ] || fail "init did not create $key"
out_has 'Created'
run 0 init
out_has 'already exists'

run 0 list
out_has 'No folders are stored'

write_value hotFolders "C:\\Data,5|/home/u/m${smile}x,3|/srv/say \"hi\",2|"
run 0 list
out_has '   1     5  C:\Data'
out_has "   2     3  /home/u/m${smile}x"
out_has '   3     2  /srv/say "hi"'

run 0 list --json
python3 -m json.tool "$work/out" >/dev/null || fail "list --json is not valid JSON"
python3 - "$work/out" "$smile" <<'PY' || fail "list --json does not hold the stored folders"
import json, sys
folders = json.load(open(sys.argv[1], encoding="utf-8"))["folders"]
expected = [(1, 5, "C:\\Data"), (2, 3, "/home/u/m" + sys.argv[2] + "x"), (3, 2, '/srv/say "hi"')]
assert [(f["rank"], f["hits"], f["folder"]) for f in folders] == expected, folders
PY

run 0 get 1
out_has 'C:\Data'
run 1 get 4
err_has 'the list holds 3'

run 0 delete "/home/u/m${smile}x"
out_has "Removed /home/u/m${smile}x from the list"
[ "$(value_text hotFolders)" = 'C:\Data,5|/srv/say "hi",2|' ] || fail "hotFolders is now: $(value_text hotFolders)"
[ "$(value_text deletepath)" = "/home/u/m${smile}x,3|" ] || fail "deletepath is now: $(value_text deletepath)"
run 0 delete "/home/u/m${smile}x"
out_has 'was not in the list'

run 0 count
[ "$(cat "$work/out")" = 2 ] || fail "count printed $(cat "$work/out")"

# An unpaired surrogate survives into JSON as an escape and shows as U+FFFD.
python3 -c 'import struct,sys; open(sys.argv[1],"wb").write(struct.pack("<I",7)+"/bad".encode()[:0]+b"/\0b\0\x00\xd8,\x001\x00|\x00")' \
  "$key/hotFolders.value"
run 0 list --json
python3 -m json.tool "$work/out" >/dev/null || fail "JSON with a lone surrogate is not valid"
out_has '"/b\uD800"'
run 0 list
out_has "/b$(printf '\357\277\275')"

run 2 get 0
err_has 'hotfolders --help'
run 2 "$(printf 'delete\377')"
err_has 'not valid UTF-8'
run 3 --library "$work/nothing.so" count
err_has '--library PATH'

run 0 update
out_has 'Rebuilt the list in'

run 0 --help
out_has 'Exit status'
run 0 --version
out_has 'hotfolders '
echo "ok"
