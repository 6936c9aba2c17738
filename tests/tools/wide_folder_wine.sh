#!/bin/sh
# The installed tree under a folder named outside ASCII, under Wine: hotfolders.exe
# in <work>/<U+4EA7 U+54C1>/bin beside hotFolders.dll, the engine in
# <work>/<U+4EA7 U+54C1>/Kernel, logs from hotfolders-loggen. "update" must load
# the engine there and rank the logs' folders, exactly as the same tree under an
# ASCII folder does. It edits HKCU\Software\Quorvane of the prefix.
# Usage: wide_folder_wine.sh EMULATOR hotfolders.exe hotFolders.dll Morvex.dll hotfolders-loggen.exe
set -eu
emulator=$1
tool=$2
library=$3
engine=$4
loggen=$5
work=$(mktemp -d)
key='HKCU\Software\Quorvane'
cleanup_key() { "$emulator" reg delete "$key" /f >/dev/null 2>&1 || true; }
cleanup() {
  cleanup_key
  rm -rf "$work"
}
trap cleanup EXIT
# Wine turns the UTF-8 names of files and arguments into UTF-16 through the locale.
export LC_ALL=C.UTF-8
product=$(printf '\344\272\247\345\223\201')  # U+4EA7 U+54C1

fail() { echo "FAIL: $*" >&2; exit 1; }
# windows_path PATH: the Z: drive form of an absolute path.
windows_path() { printf 'Z:%s' "$1" | sed 's|/|\\|g'; }

# install ROOT: the build's three binaries laid out as installed under ROOT.
install() {
  mkdir -p "$1/bin" "$1/Kernel"
  cp "$tool" "$library" "$1/bin/"
  cp "$engine" "$1/Kernel/Morvex.dll"
}

# rebuild ROOT NAME: init and update with ROOT/bin/hotfolders.exe on an empty
# key, then the stored list as JSON in $work/NAME.json.
rebuild() {
  cleanup_key
  exe=$1/bin/$(basename "$tool")
  for command in init update "list --json"; do
    # shellcheck disable=SC2086
    "$emulator" "$exe" $command >"$work/out" 2>"$work/err" || {
      cat "$work/out" "$work/err" >&2
      fail "hotfolders $command in $2 failed"
    }
  done
  tr -d '\r' <"$work/out" >"$work/$2.json"
}

install "$work/ascii"
install "$work/$product"

"$emulator" "$loggen" --out "$(windows_path "$work/logs")" --records 400 --folders 12 --days 2 \
  --expected-file "$(windows_path "$work/expected.txt")" >/dev/null || fail "hotfolders-loggen failed"
MORVEX_HISTORY_DIR=$(windows_path "$work/logs")
export MORVEX_HISTORY_DIR

rebuild "$work/ascii" ascii
rebuild "$work/$product" wide

python3 - "$work/ascii.json" "$work/wide.json" "$work/expected.txt" <<'PY' || fail "the list rebuilt in the non-ASCII folder is wrong"
import json, sys

def fold(folder):
    """ASCII letters in lower case, no closing backslash: one spelling per folder."""
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in folder).rstrip("\\")

ascii_list = json.load(open(sys.argv[1], encoding="utf-8"))
wide_list = json.load(open(sys.argv[2], encoding="utf-8"))
logged = {fold(line.rstrip("\n").split("\t")[2]) for line in open(sys.argv[3], encoding="utf-8") if line.strip()}
folders = lambda listing: [entry["folder"] for entry in listing["folders"]]
assert folders(ascii_list), f"the ASCII folder's rebuild ranked nothing: {ascii_list}"
assert folders(wide_list), f"the non-ASCII folder's rebuild ranked nothing: {wide_list}"
assert wide_list == ascii_list, f"non-ASCII folder: {wide_list}\nASCII folder: {ascii_list}"
unknown = [f for f in folders(wide_list) if fold(f) not in logged]
assert not unknown, f"folders not in the logs: {unknown}"
PY
echo "ok"
