#!/bin/sh
# MorvexServer.exe /RegServer and /UnregServer in the Wine prefix: what is
# written where, that unregistering leaves the registry as it was, and that
# bad command lines fail with a message.
# Usage: registration_wine.sh EMULATOR MorvexServer.exe
set -eu
emulator=$1
server=$2
work=$(mktemp -d)
cleanup() {
  "$emulator" "$server" /UnregServer --machine >/dev/null 2>&1 || true
  "$emulator" "$server" /UnregServer >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL: $*" >&2; exit 1; }
engine='{5D2A8C41-7B3E-4F19-9A60-1C4E8B2D7F05}'
proxy='{5D2A8C45-7B3E-4F19-9A60-1C4E8B2D7F05}'
cursor='{5D2A8C46-7B3E-4F19-9A60-1C4E8B2D7F05}'
interfaces='{5D2A8C40-7B3E-4F19-9A60-1C4E8B2D7F05} {5D2A8C42-7B3E-4F19-9A60-1C4E8B2D7F05} {5D2A8C44-7B3E-4F19-9A60-1C4E8B2D7F05}'

windows_path() { "$emulator" winepath -w "$1" | tr -d '\r'; }
# Exports a registry tree to a file (regedit writes nothing for a missing key).
export_tree() {
  rm -f "$work/$2"
  "$emulator" regedit /E "$(windows_path "$work/$2")" "$1" >/dev/null 2>&1 || true
  touch "$work/$2"
}
has_key() { "$emulator" reg query "$1" >/dev/null 2>&1; }
value_of() { "$emulator" reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'; }

run() {
  expected=$1
  shift
  status=0
  "$emulator" "$server" "$@" >"$work/out" 2>"$work/err" || status=$?
  if [ "$expected" = fail ]; then
    [ "$status" -ne 0 ] || fail "MorvexServer $* exited 0"
    [ -s "$work/err" ] || fail "MorvexServer $* said nothing on stderr"
  else
    [ "$status" -eq 0 ] || { cat "$work/err" >&2; fail "MorvexServer $* exited $status"; }
  fi
}

# Bad command lines.
run fail
run fail /Bogus
run fail /RegServer --history
run fail /RegServer --idle-seconds 0
run fail -Embedding --machine
run fail /RegServer /UnregServer
run fail /RegServer --machine --hang-after many
grep -q usage "$work/err" || fail "no usage text"

# Nothing registered: unregistering is no error.
run ok /UnregServer --machine
run ok /UnregServer

# --machine: every entry under HKLM, none under HKCU, and unregistering
# leaves HKLM\Software\Classes exactly as it was.
export_tree 'HKEY_LOCAL_MACHINE\Software\Classes' hklm-before.reg
run ok /RegServer --machine --history 'C:\history dir' --idle-seconds 30
classes='HKLM\Software\Classes'
exe=$(windows_path "$server")
command=$(value_of "$classes\\CLSID\\$engine\\LocalServer32")
[ "$command" = "\"$exe\" --history \"C:\\history dir\" --idle-seconds 30" ] || fail "LocalServer32 is: $command"
for class in "$proxy" "$cursor"; do
  dll=$(value_of "$classes\\CLSID\\$class\\InprocServer32")
  [ "$dll" = "${exe%\\*}\\MorvexProxy.dll" ] || fail "InprocServer32 of $class is: $dll"
  "$emulator" reg query "$classes\\CLSID\\$class\\InprocServer32" /v ThreadingModel | grep -q Both ||
    fail "ThreadingModel of $class"
done
for iid in $interfaces; do
  [ "$(value_of "$classes\\Interface\\$iid\\ProxyStubClsid32")" = "$proxy" ] || fail "ProxyStubClsid32 of $iid"
done
has_key "HKCU\\Software\\Classes\\CLSID\\$engine" && fail "--machine wrote under HKCU"
# Registering again replaces the entries.
run ok /RegServer --machine
[ "$(value_of "$classes\\CLSID\\$engine\\LocalServer32")" = "\"$exe\"" ] || fail "a second registration kept old options"
run ok /UnregServer --machine
export_tree 'HKEY_LOCAL_MACHINE\Software\Classes' hklm-after.reg
cmp -s "$work/hklm-before.reg" "$work/hklm-after.reg" || {
  diff "$work/hklm-before.reg" "$work/hklm-after.reg" | head -20 >&2 || true
  fail "HKLM differs after /UnregServer --machine"
}

# The default: per user, under HKCU, nothing under HKLM.
export_tree 'HKEY_CURRENT_USER\Software\Classes' hkcu-before.reg
run ok /RegServer
has_key "HKCU\\Software\\Classes\\CLSID\\$engine\\LocalServer32" || fail "/RegServer wrote nothing under HKCU"
has_key "HKCU\\Software\\Classes\\Interface\\{5D2A8C44-7B3E-4F19-9A60-1C4E8B2D7F05}\\ProxyStubClsid32" ||
  fail "no proxy/stub entry under HKCU"
has_key "HKLM\\Software\\Classes\\CLSID\\$engine" && fail "/RegServer wrote under HKLM"
run ok /UnregServer
export_tree 'HKEY_CURRENT_USER\Software\Classes' hkcu-after.reg
cmp -s "$work/hkcu-before.reg" "$work/hkcu-after.reg" || {
  diff "$work/hkcu-before.reg" "$work/hkcu-after.reg" | head -20 >&2 || true
  fail "HKCU differs after /UnregServer"
}

# Empty CLSID and Interface keys that were there before (as in a Windows
# profile) stay; keys the registration made are gone again (above).
made=''
for sub in '' '\CLSID' '\Interface'; do
  if ! has_key "HKCU\\Software\\Classes$sub"; then
    "$emulator" reg add "HKCU\\Software\\Classes$sub" /f >/dev/null 2>&1 || fail "cannot add HKCU\\Software\\Classes$sub"
    made="HKCU\\Software\\Classes$sub $made"
  fi
done
export_tree 'HKEY_CURRENT_USER\Software\Classes' hkcu-empty-before.reg
run ok /RegServer
run ok /UnregServer
export_tree 'HKEY_CURRENT_USER\Software\Classes' hkcu-empty-after.reg
cmp -s "$work/hkcu-empty-before.reg" "$work/hkcu-empty-after.reg" || fail "empty keys that were there are gone"
for key in $made; do "$emulator" reg delete "$key" /f >/dev/null 2>&1 || true; done

# Without MorvexProxy.dll beside it the server refuses to register.
mkdir "$work/alone"
cp "$server" "$work/alone/MorvexServer.exe"
server_alone="$work/alone/MorvexServer.exe"
status=0
"$emulator" "$server_alone" /RegServer >"$work/out" 2>"$work/err" || status=$?
[ "$status" -ne 0 ] || fail "/RegServer without the proxy library exited 0"
grep -q MorvexProxy.dll "$work/err" || fail "the message does not name the proxy library"
has_key "HKCU\\Software\\Classes\\CLSID\\$engine" && fail "a refused registration left entries"
echo "registration: ok"
