#!/bin/sh
# Checks that a shared library defines exactly the four exported functions in
# its dynamic symbol table and nothing else.
set -eu
library=$1
actual=$(nm -D --defined-only "$library" | awk '{ print $NF }' | sort)
expected=$(printf '%s\n' DeletePath GetLogPath GetPathCount UpdatePath)
if [ "$actual" != "$expected" ]; then
  echo "unexpected dynamic symbols in $library:" >&2
  echo "$actual" >&2
  exit 1
fi
