#!/usr/bin/env bash
# Servers that stop answering: registered for the machine with --hang-after
# 1000, so a fetch after a cursor's 1000th record blocks for ever. The
# rebuild waits for its workers at most the 30-second budget plus 5 seconds
# of grace, then leaves a hung worker behind; "update" must exit 0 well
# within 60 s.
#   first hangs: first.log has 5,000 records, second.log 300; the list is
#     what second.log alone gives the in-process engine.
#   both hang: both logs have 5,000 records; the list stored before is kept.
# The hung servers still run afterwards, and are killed.
source "$(dirname "$0")/common.sh"

generate "$work/long" --records 5000 --folders 40 --seed 5
generate "$work/short" --records 300 --folders 40 --seed 6
mkdir "$work/second-only"
cp "$work/short/second.log" "$work/second-only/"
layout "$work/in" in-process
layout "$work/oop" out-of-process

# The results to expect: second.log alone, and the list kept from before.
rebuild "$work/in" second-only MORVEX_HISTORY_DIR="$(windows_path "$work/second-only")"
rebuild "$work/in" before MORVEX_HISTORY_DIR="$(windows_path "$work/short")"
cmp -s "$work/second-only.value" "$work/before.value" && fail "the two expected lists are the same"

mkdir "$work/history"
register "$work/oop" --machine --history "$(windows_path "$work/history")" --hang-after 1000
for case in first-hangs both-hang; do
  cp "$work/long/first.log" "$work/history/first.log"
  if [[ $case == first-hangs ]]; then
    cp "$work/short/second.log" "$work/history/second.log"
    fresh_key "$work/oop"
  else
    cp "$work/long/second.log" "$work/history/second.log"
    # The list the in-process rebuild of the short logs stored, stored again.
    fresh_key "$work/oop"
    store_value "$(cat "$work/before.value")"
    stored_value >"$work/kept.value"
    cp "$work/before.json" "$work/kept.json"
  fi
  hotfolders "$work/oop" update
  update_seconds=$tool_seconds
  ((tool_status == 0)) || { cat "$work/tool.out" "$work/tool.err" >&2; fail "$case: update exited $tool_status"; }
  python3 -c "import sys; sys.exit(0 if $update_seconds < 60 else 1)" || fail "$case: update took $update_seconds s"
  [[ -n $(server_pids) ]] || fail "$case: no server hangs after the rebuild; --hang-after did not stop a cursor"
  must "$work/oop" list --json
  tr -d '\r' <"$work/tool.out" >"$work/$case.json"
  stored_value >"$work/$case.value"
  if [[ $case == first-hangs ]]; then
    same_list second-only "$case" "$case"
  else
    same_list kept "$case" "$case"
  fi
  echo "$case: update exited 0 after $update_seconds s"
  kill_servers
done
echo "ok"
