#!/usr/bin/env bash
# Registration round trips of MorvexServer.exe, for the machine
# (HKLM\Software\Classes, /RegServer --machine) and for the user
# (HKCU\Software\Classes, the default): while registered, the engine class
# names the server with its --history in LocalServer32 and the engine
# interface has its proxy; the other scope is untouched; after /UnregServer
# both Classes trees export byte for byte as before. Bad arguments exit
# non-zero with a message and register nothing.
source "$(dirname "$0")/common.sh"

clsid='{5D2A8C41-7B3E-4F19-9A60-1C4E8B2D7F05}'
iid='{5D2A8C40-7B3E-4F19-9A60-1C4E8B2D7F05}'
layout "$work/tree" out-of-process
mkdir "$work/logs"
history=$(windows_path "$work/logs")

# A Windows user's profile has HKCU\Software\Classes with CLSID and Interface;
# a fresh Wine prefix has none of them. The ones made here are deleted on exit.
made_keys=()
for sub in '' '\CLSID' '\Interface'; do
  if ! "$emulator" reg query "HKCU\\Software\\Classes$sub" >/dev/null 2>&1; then
    "$emulator" reg add "HKCU\\Software\\Classes$sub" /f >/dev/null 2>&1 || fail "cannot create HKCU\\Software\\Classes$sub"
    made_keys=("HKCU\\Software\\Classes$sub" "${made_keys[@]}")
  fi
done
cleanup_case() {
  local made
  for made in "${made_keys[@]}"; do "$emulator" reg delete "$made" /f >/dev/null 2>&1; done
}

root_of() { if [[ $1 == machine ]]; then echo HKLM; else echo HKCU; fi; }

# dump NAME: both Classes trees exported into $work/NAME-machine.reg and
# $work/NAME-user.reg.
dump() {
  local scope
  for scope in machine user; do
    "$emulator" reg export "$(root_of $scope)\\Software\\Classes" "$(windows_path "$work/$1-$scope.reg")" /y \
      >/dev/null 2>&1 || fail "reg export of $(root_of $scope)\\Software\\Classes failed"
  done
}

# same_dump A B SCOPE: the exports A and B of SCOPE are identical.
same_dump() {
  cmp -s "$work/$1-$3.reg" "$work/$2-$3.reg" || {
    diff <(iconv -f UTF-16 -t UTF-8 "$work/$1-$3.reg") <(iconv -f UTF-16 -t UTF-8 "$work/$2-$3.reg") | head -40 >&2 || true
    fail "$(root_of "$3")\\Software\\Classes: '$2' differs from '$1' (above: < $1, > $2)"
  }
}

# query KEY: the key's values, one "name type data" a line, in $work/query.
query() {
  "$emulator" reg query "$1" >"$work/query" 2>&1 || { cat "$work/query" >&2; fail "$1 is missing"; }
  tr -d '\r' <"$work/query" >"$work/query.txt"
}

dump before
for scope in machine user; do
  other=user; [[ $scope == user ]] && other=machine
  flag=(); [[ $scope == machine ]] && flag=(--machine)
  classes="$(root_of $scope)\\Software\\Classes"

  register "$work/tree" "${flag[@]}" --history "$history"
  query "$classes\\CLSID\\$clsid\\LocalServer32"
  grep -qiF "$(windows_path "$work/tree/Kernel/$(basename "$server")")" "$work/query.txt" ||
    { cat "$work/query.txt" >&2; fail "$scope: LocalServer32 does not name the tree's server"; }
  grep -qF -- "--history" "$work/query.txt" && grep -qiF "$history" "$work/query.txt" ||
    { cat "$work/query.txt" >&2; fail "$scope: LocalServer32 does not carry --history $history"; }
  query "$classes\\Interface\\$iid\\ProxyStubClsid32"
  dump "registered-$scope"
  same_dump before "registered-$scope" "$other"

  unregister "${flag[@]}"
  dump "unregistered-$scope"
  same_dump before "unregistered-$scope" machine
  same_dump before "unregistered-$scope" user
  echo "$scope: registered in $classes and removed again"
done

bad_arguments=(
  "/RegServer --history"
  "/RegServer --idle-seconds"
  "/RegServer --idle-seconds ten"
  "/RegServer --hang-after -5"
  "/RegServer --unknown"
  "/RegServer --machine extra"
  "/UnregServer --unknown"
  "/Bogus"
)
for arguments in "${bad_arguments[@]}"; do
  # shellcheck disable=SC2086
  server_cmd $arguments
  ((server_status != 0)) || fail "MorvexServer.exe $arguments exited 0"
  [[ -n $(tr -d '\r\n' <"$work/server.out") ]] || fail "MorvexServer.exe $arguments exited $server_status without a message"
done
dump bad-arguments
same_dump before bad-arguments machine
same_dump before bad-arguments user
echo "${#bad_arguments[@]} bad command lines refused, nothing registered"
echo "ok"
