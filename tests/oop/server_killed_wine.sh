#!/usr/bin/env bash
# A server killed while it serves a rebuild: two logs of 2,000,000 records,
# read through servers registered for the machine; once both workers' servers
# run, one of them (then, in a second rebuild, both) is killed by its process
# id. "update" must still exit 0, within seconds of the kill (well before the
# 30-second budget would end the reading), and store the folders counted
# before the kill: "list" ranks something, with fewer hits than reading every
# record gives (which the in-process engine shows on the same logs).
source "$(dirname "$0")/common.sh"

generate "$work/logs" --records 2000000 --folders 1000 --seed 3
history=$(windows_path "$work/logs")
layout "$work/in" in-process
layout "$work/oop" out-of-process

rebuild "$work/in" in MORVEX_HISTORY_DIR="$history"
every=$(hits "$work/in.json")

register "$work/oop" --machine --history "$history"
for victims in one both; do
  fresh_key "$work/oop"
  timeout -s KILL 120 "$emulator" "$work/oop/bin/$(basename "$tool")" update >"$work/update.txt" 2>&1 &
  update_pid=$!
  deadline=$((SECONDS + 30))
  while (($(server_pids | wc -l) < 2)); do
    ((SECONDS < deadline)) || fail "two servers did not start within 30 s (running: $(server_pids))"
    kill -0 "$update_pid" 2>/dev/null || fail "update ended before two servers ran: $(cat "$work/update.txt")"
    sleep 0.05
  done
  sleep 0.5  # both workers are reading
  kill -0 "$update_pid" 2>/dev/null ||
    fail "update ended before a server was killed: the logs are too short for this machine"
  pids=$(server_pids)
  [[ $victims == one ]] && pids=$(head -1 <<<"$pids")
  # shellcheck disable=SC2086
  kill -9 $pids
  killed_at=$EPOCHREALTIME
  update_status=0
  wait "$update_pid" || update_status=$?
  after=$(python3 -c "print(f'{$EPOCHREALTIME - $killed_at:.1f}')")
  ((update_status == 0)) || { cat "$work/update.txt" >&2; fail "$victims killed: update exited $update_status"; }
  python3 -c "import sys; sys.exit(0 if $after < 20 else 1)" ||
    fail "$victims killed: update exited $after s after the kill"

  must "$work/oop" list --json
  tr -d '\r' <"$work/tool.out" >"$work/$victims.json"
  counted=$(hits "$work/$victims.json")
  ((counted > 0)) || { cat "$work/$victims.json" >&2; fail "$victims killed: the list ranks nothing"; }
  ((counted < every)) ||
    fail "$victims killed: $counted hits, as many as reading every record gives; the kill came too late"
  echo "$victims killed: update exited $after s after the kill; $counted of $every hits counted"
  kill_servers
done
echo "ok"
