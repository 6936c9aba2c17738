#!/usr/bin/env bash
# A server killed while it serves a rebuild: two logs of 2,000,000 records,
# read through servers registered for the machine. Once both workers have had
# time to activate, the first server process found (then, in a second
# rebuild, every one) is killed by its process id. "update" must still exit 0
# and store the folders counted: "list" ranks something, with fewer hits than
# reading every record gives (which the in-process engine shows on the same
# logs). With every server killed, it exits within seconds of the kill (well
# before the 30-second budget would end the reading); with one killed, a
# worker whose server lives may read on until the budget ends.
source "$(dirname "$0")/common.sh"

generate "$work/logs" --records 2000000 --folders 1000 --seed 3
history=$(windows_path "$work/logs")
layout "$work/in" in-process
layout "$work/oop" out-of-process

rebuild "$work/in" in MORVEX_HISTORY_DIR="$history"
every=$(hits "$work/in.json")

register "$work/oop" --machine --history "$history"
for victims in first all; do
  fresh_key "$work/oop"
  timeout -s KILL 120 "$emulator" "$work/oop/bin/$(basename "$tool")" update >"$work/update.txt" 2>&1 &
  update_pid=$!
  deadline=$((SECONDS + 30))
  until [[ -n $(server_pids) ]]; do
    ((SECONDS < deadline)) || fail "no server started within 30 s"
    kill -0 "$update_pid" 2>/dev/null || fail "update ended before a server ran: $(cat "$work/update.txt")"
    sleep 0.05
  done
  # Wine looks for a started server's class once a second: by then both
  # workers read, from one server or two.
  sleep 1.5
  kill -0 "$update_pid" 2>/dev/null ||
    fail "update ended before a server was killed: the logs are too short for this machine"
  running=$(server_pids)
  pids=$running
  [[ $victims == first ]] && pids=$(head -1 <<<"$running")
  # shellcheck disable=SC2086
  kill -9 $pids
  killed_at=$EPOCHREALTIME
  update_status=0
  wait "$update_pid" || update_status=$?
  after=$(python3 -c "print(f'{$EPOCHREALTIME - $killed_at:.1f}')")
  ((update_status == 0)) || { cat "$work/update.txt" >&2; fail "$victims killed: update exited $update_status"; }
  bound=20; [[ $victims == first ]] && bound=40
  python3 -c "import sys; sys.exit(0 if $after < $bound else 1)" ||
    fail "$victims killed: update exited $after s after the kill"

  must "$work/oop" list --json
  tr -d '\r' <"$work/tool.out" >"$work/$victims.json"
  counted=$(hits "$work/$victims.json")
  ((counted > 0)) || { cat "$work/$victims.json" >&2; fail "$victims killed: the list ranks nothing"; }
  ((counted < every)) ||
    fail "$victims killed: $counted hits, as many as reading every record gives; the kill came too late"
  echo "$victims: $(wc -w <<<"$pids") of $(wc -w <<<"$running") server processes killed;" \
    "update exited $after s after the kill; $counted of $every hits counted"
  kill_servers
done
echo "ok"
