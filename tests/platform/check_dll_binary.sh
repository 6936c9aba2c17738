#!/bin/sh
# Checks hotFolders.dll with objdump: exactly the four exports at ordinals
# 1 to 4, and imports from Windows system DLLs only.
# Usage: check_dll_binary.sh <objdump> <hotFolders.dll>
set -eu
objdump=$1
dll=$2
dump=$("$objdump" -p "$dll")
status=0

base=$(printf '%s\n' "$dump" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p' | head -n 1)
exports=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\][[:space:]]*\([^[:space:]]*\).*/\1 \2/p' |
  while read -r index name; do echo "$((index + base)) $name"; done | sort -n)
expected='1 GetPathCount
2 GetLogPath
3 DeletePath
4 UpdatePath'
if [ "$exports" != "$expected" ]; then
  echo "exports differ from the four expected:"
  printf '%s\n' "$exports"
  status=1
fi

addresses=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*Export Address Table[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' | head -n 1)
if [ "$((0x${addresses:-0}))" -ne 4 ]; then
  echo "export address table holds 0x$addresses entries, not 4"
  status=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p')
if [ -z "$imports" ]; then
  echo "no imports found: not a DLL objdump could read?"
  status=1
fi
for name in $imports; do
  lower=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
  case $lower in
    kernel32.dll | advapi32.dll | ole32.dll | shlwapi.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
    *) echo "imports a non-system DLL: $name"; status=1 ;;
  esac
done

[ "$status" -eq 0 ] && echo "hotFolders.dll: 4 exports at ordinals 1-4; imports: $(echo $imports)"
exit "$status"
