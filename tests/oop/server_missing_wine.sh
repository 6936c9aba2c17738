#!/usr/bin/env bash
# A registered server that cannot serve: its executable deleted, replaced by a
# file that is no program, or by a program that exits at once (the log
# generator, which rejects -Embedding). With Kernel/Morvex.dll beside it, the
# library falls back to the engine library, and "update" stores exactly what
# a tree with the engine library alone stores.
source "$(dirname "$0")/common.sh"

generate "$work/logs" --records 3000 --folders 40 --seed 11
history=$(windows_path "$work/logs")
layout "$work/in" in-process
rebuild "$work/in" in MORVEX_HISTORY_DIR="$history"

for case in deleted not-a-program exits-at-once; do
  tree=$work/$case
  layout "$tree" both
  register "$tree" --machine --history "$history"
  target=$tree/Kernel/$(basename "$server")
  case $case in
    deleted) rm "$target" ;;
    not-a-program) printf 'not a program\r\n' >"$target" ;;
    exits-at-once) cp "$loggen" "$target" ;;
  esac
  rebuild "$tree" "$case" MORVEX_HISTORY_DIR="$history"
  same_list in "$case" "server $case"
  echo "server $case: the engine library served the rebuild"
  unregister --machine
done
echo "ok"
