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

# run EXPECTED_STATUS ARGS...: runs the tool, output in $work/out and $work/err;
# $as, when set, is the command that runs it as another user.
as=
run() {
  expected=$1; shift
  status=0
  $as "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" -eq "$expected" ] || {
    cat "$work/out" "$work/err" >&2
    fail "hotfolders $* exited $status, expected $expected"
  }
}
out_has() { grep -qF -- "$1" "$work/out" || { cat "$work/out" >&2; fail "stdout lacks: $1"; }; }
err_has() { grep -qF -- "$1" "$work/err" || { cat "$work/err" >&2; fail "stderr lacks: $1"; }; }
out_lacks() { ! grep -qF -- "$1" "$work/out" || { cat "$work/out" >&2; fail "stdout has: $1"; }; }
err_lacks() { ! grep -qF -- "$1" "$work/err" || { cat "$work/err" >&2; fail "stderr has: $1"; }; }

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

# One entry over a million characters: read whole, and the others still listed and deletable.
# (too long for an argument: python3 writes and checks it)
python3 -c 'import struct,sys; open(sys.argv[1],"wb").write(struct.pack("<I",7)+("C:\\Data,5|/"+"x"*1100000+",4|/srv/b,2|").encode("utf-16-le"))' \
  "$key/hotFolders.value"
run 0 list
out_has '   1     5  C:\Data'
python3 -c 'import sys; assert "   2     4  /" + "x" * 1100000 + "\n" in open(sys.argv[1]).read()' "$work/out" ||
  fail "list does not show the long entry whole"
out_has '   3     2  /srv/b'
run 0 delete /srv/b
out_has 'Removed /srv/b from the list'
[ "$(value_text hotFolders)" = "C:\\Data,5|/$(printf '%01100000d' 0 | tr 0 x),4|" ] || fail "hotFolders lost the long entry"

# A full disk (here a file size limit) while a removal is recorded: said so,
# not blamed on the rights; nothing changes.
write_value hotFolders 'C:\Data,5|'
write_value deletepath "$(python3 -c 'print("".join("/gone/%05d,1|" % i for i in range(4000)), end="")')"
before=$(value_text deletepath)
(ulimit -f 16; run 6 delete 'C:\Data') || exit 1
err_has 'the disk may be full'
err_lacks 'check that the current user may write'
[ "$(value_text hotFolders)" = 'C:\Data,5|' ] || fail "hotFolders changed: $(value_text hotFolders)"
[ "$(value_text deletepath)" = "$before" ] || fail "deletepath changed"
[ -z "$(find "$key" -name '*.tmp')" ] || fail "a temporary file was left"

# init under a umask that leaves no bit: the key is still the user's to use.
(
  umask 0777
  XDG_CONFIG_HOME="$work/masked"; export XDG_CONFIG_HOME
  run 0 init
  out_has 'Created'
) || exit 1
masked="$work/masked/hkcu/Software/Quorvane"
[ "$(stat -c %a "$masked")" = 700 ] || fail "init under umask 0777 made $masked mode $(stat -c %a "$masked")"
(
  XDG_CONFIG_HOME="$work/masked"; export XDG_CONFIG_HOME
  run 0 list
  out_has 'No folders are stored'
) || exit 1

# Keys the user may not read or write, as an ordinary user (root passes every
# permission check: it runs these as "nobody" over a hive handed to it).
if [ "$(id -u)" -eq 0 ]; then
  if command -v setpriv >/dev/null 2>&1; then
    as="setpriv --reuid=65534 --regid=65534 --clear-groups"
    chmod 711 "$work"
    chown -R 65534:65534 "$XDG_CONFIG_HOME"
  else
    echo "note: setpriv is missing; the rows for unreadable and read-only keys are not run as root" >&2
    as=skip
  fi
fi
if [ "$as" != skip ]; then
  write_value hotFolders 'C:\Data,5|'
  chmod 000 "$key"
  run 5 list
  err_has 'Permission denied'
  out_lacks 'No folders are stored'
  run 5 count
  chmod 500 "$key"
  run 5 update
  err_has 'is read-only for the current user'
  out_lacks 'Rebuilt'
  run 5 delete 'C:\Data'
  err_has 'is read-only for the current user'
  run 0 list
  out_has '   1     5  C:\Data'
  chmod 700 "$key"
  as=
fi

run 0 --help
out_has 'Exit status'
run 0 --version
out_has 'hotfolders '
echo "ok"
