#!/usr/bin/env bash
# The terminal side's rate under Wine: Tickwell with DDE on and a client holding one hot link
# (VOLUME) on each of SYMBOLS symbols, fed through TickwellFeed.dll in passes of one changed quote
# per symbol, as the service does when every symbol changed. Prints the pass times; a pass must
# take well under 200 ms for 5 changes a second of every symbol. The client must end with the last
# pass's volume on every symbol. SENDER_RATE_SERVER=bare measures tw-bare-bridge instead of
# Tickwell: the same DLL, receiver protocol, links and DDEML, and nothing else.
#
#   script/lane-env build/win64 bench/wine/sender_rate.sh build/win64 [SYMBOLS] [PASSES]
set -euo pipefail
build=$(cd "$1" && pwd)
symbols=${2:-500}
passes=${3:-20}
bin="$build/bin"
end_mark=999999999
command -v xdotool >/dev/null || { echo "sender_rate: needs xdotool" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wait_for() {  # command, tries of 0.1 s
  for _ in $(seq 1 "$2"); do eval "$1" && return 0; sleep 0.1; done
  return 1
}
tickwell_window() {
  xwininfo -root -tree 2>/dev/null | awk '/"Tickwell": \("tickwell.exe"/ {print $1; exit}'
}

if [ "${SENDER_RATE_SERVER:-tickwell}" = bare ]; then
  wine "$bin/tw-bare-bridge.exe" MT5 --life 600 >"$work/bare.txt" 2>&1 &
  wait_for "grep -q '^ready' '$work/bare.txt'" 300 || { echo "sender_rate: tw-bare-bridge did not start" >&2; exit 1; }
  win=""
else
  (cd "$bin" && wine tickwell.exe /dde on) >/dev/null 2>&1 &
  wait_for 'win=$(tickwell_window); [ -n "$win" ]' 300 || { echo "sender_rate: no Tickwell window" >&2; exit 1; }
  wait_for 'wine "$bin/tickwell-watch.exe" MT5 System SysItems -t 2 >/dev/null 2>&1' 100 ||
    { echo "sender_rate: Tickwell's DDE did not start" >&2; exit 1; }
fi
# Every symbol exists before the client links it.
seq -f "SYM%g;0.5;0.5;0;1700000000;0" 0 $((symbols - 1)) >"$work/prime.txt"
wine "$bin/tickwell-feed.exe" --timeout 30000 -f "$work/prime.txt" >/dev/null
wine "$bin/tw-bench-client.exe" MT5 "SYM*$symbols" "$end_mark" --items VOLUME --life 600 >"$work/client.txt" 2>&1 &
client=$!
wait_for "grep -q '^linked' '$work/client.txt'" 600 || { echo "sender_rate: the client did not link" >&2; exit 1; }
wine "$bin/tw-feed-rate.exe" "$symbols" "$passes" "$end_mark"
status=0
wait "$client" || status=$?
[ -n "$win" ] && { xdotool key --window "$win" alt+F4 >/dev/null 2>&1 || true; }
sed -i 's/\r$//' "$work/client.txt"
got=$(grep -c " VOLUME $end_mark\$" "$work/client.txt" || true)
echo "client: $(grep '^linked' "$work/client.txt"), $(grep '^updates' "$work/client.txt"), last volume on $got of $symbols symbols"
[ "$status" -eq 0 ] && [ "$got" -eq "$symbols" ]
