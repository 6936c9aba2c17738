#!/bin/sh
# hotfolders.exe end to end under Wine, against hotFolders.dll beside it, in the
# prefix's HKEY_CURRENT_USER. Usage: cli_wine.sh EMULATOR PATH/TO/hotfolders.exe
set -eu
emulator=$1
tool=$2
work=$(mktemp -d)
key='HKCU\Software\Quorvane'
cleanup() {
  "$emulator" reg delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
cleanup_key() { "$emulator" reg delete "$key" /f >/dev/null 2>&1 || true; }
# Wine hands the arguments to the program as UTF-16 through the locale.
export LC_ALL=C.UTF-8
smile=$(printf '\360\237\230\200')  # U+1F600, outside the BMP

fail() { echo "FAIL: $*" >&2; exit 1; }
run() {
  expected=$1; shift
  status=0
  "$emulator" "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" -eq "$expected" ] || {
    cat "$work/out" "$work/err" >&2
    fail "hotfolders $* exited $status, expected $expected"
  }
}
out_has() { grep -qF -- "$1" "$work/out" || { cat "$work/out" >&2; fail "stdout lacks: $1"; }; }
out_lacks() { ! grep -qF -- "$1" "$work/out" || { cat "$work/out" >&2; fail "stdout has: $1"; }; }
err_has() { grep -qF -- "$1" "$work/err" || { cat "$work/err" >&2; fail "stderr lacks: $1"; }; }

cleanup_key
run 4 list
err_has 'hotfolders init'

run 0 init
out_has 'Created'

# reg.exe adds the type's NUL terminators; the library's reader stops at the first NUL.
"$emulator" reg add "$key" /v hotFolders /t REG_MULTI_SZ /d "C:\\Data,5|D:\\Temp,2|E:\\m${smile},1|" /f >/dev/null 2>&1 ||
  fail "reg add could not write the hotFolders value"

run 0 list
out_has '   1     5  C:\Data'
out_has '   2     2  D:\Temp'
out_has "   3     1  E:\\m${smile}"

run 0 delete 'D:\Temp'
out_has 'Removed D:\Temp from the list'
run 0 delete "E:\\m${smile}"
out_has "Removed E:\\m${smile} from the list"
run 0 delete 'd:\temp'
out_has 'was not in the list'

run 0 list --json
out_has '{"rank": 1, "hits": 5, "folder": "C:\\Data"}'
out_lacks 'Temp'
run 0 count
[ "$(tr -d '\r' <"$work/out")" = 1 ] || fail "count printed $(cat "$work/out")"

# The exact bytes of deletepath, newest entry first, with no NUL.
"$emulator" reg export "$key" "Z:$work/key.reg" /y >/dev/null 2>&1 || fail "reg export failed"
python3 - "$work/key.reg" "$smile" <<'PY' || fail "deletepath does not hold the two removed folders"
import re, sys
text = open(sys.argv[1], encoding="utf-16").read().replace("\\\n", "").replace(" ", "")
data = bytes.fromhex(re.search(r'"deletepath"=hex\(7\):([0-9a-f,]*)', text).group(1).replace(",", ""))
assert data.decode("utf-16-le") == "E:\\m" + sys.argv[2] + ",1|D:\\Temp,2|", data
PY

run 3 --library 'C:\nowhere\hotFolders.dll' count
err_has '--library PATH'
echo "ok"
