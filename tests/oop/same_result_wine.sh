#!/usr/bin/env bash
# The engine served out of process gives exactly the result of the engine
# library in process. Two trees laid out as installed read the same logs:
# <work>/in with Kernel/Morvex.dll (logs through MORVEX_HISTORY_DIR), and
# <work>/oop with Kernel/MorvexServer.exe and MorvexProxy.dll but no
# Morvex.dll, its server registered for the machine with --history. "update"
# then "list --json" must print the same bytes and store the same hotFolders
# value, on a first activation and on a second one after the first servers
# left. Each activation's server leaves once the rebuild has released it, and
# a server that no client connects to leaves after its idle time.
source "$(dirname "$0")/common.sh"

generate "$work/logs" --records 3000 --folders 40 --seed 7
history=$(windows_path "$work/logs")
layout "$work/in" in-process
layout "$work/oop" out-of-process

rebuild "$work/in" in MORVEX_HISTORY_DIR="$history"

register "$work/oop" --machine --history "$history"
for activation in first second; do
  rebuild "$work/oop" "$activation"
  same_list in "$activation" "$activation activation of the server"
  wait_servers_gone 20 || fail "the servers still run 20 s after the $activation rebuild: $(server_pids)"
done

# Started by hand, as COM starts it, with no client to come.
"$emulator" "$work/oop/Kernel/$(basename "$server")" -Embedding --idle-seconds 2 >/dev/null 2>&1 &
idle_pid=$!
idle_start=$SECONDS
while kill -0 "$idle_pid" 2>/dev/null; do
  ((SECONDS - idle_start < 20)) || fail "a server with --idle-seconds 2 and no client still runs after 20 s"
  sleep 0.2
done
idle_status=0
wait "$idle_pid" || idle_status=$?
((idle_status == 0)) || fail "the unused server exited $idle_status"
((SECONDS - idle_start >= 1)) || fail "the unused server left at once, not after its idle time"
echo "an unused server left after about $((SECONDS - idle_start)) s"
echo "ok"
