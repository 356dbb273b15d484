#!/usr/bin/env bash
# The long run under Wine, with real processes: tickwell.exe with DDE switched on (a click on its
# "DDE" button, which needs xdotool), tickwell-feed sending LINES quote lines (default 100,000)
# over 200 symbols in ten parts, and 4 tickwell-watch processes each holding hot links on the six
# items of one symbol. After each part one client leaves and a new one takes another symbol; after
# the fifth part DDE is switched off and on, and every client links again. Tickwell's resident
# memory is printed after each part; at the end every client must show the last line of its
# symbol, and the run says how many did.
#
#   cmake --build build/win64 --target tickwell tickwell-feed tickwell-watch
#   script/lane-env build/win64 bench/wine/long_run.sh build/win64 [LINES]
set -euo pipefail
build=$(cd "$1" && pwd)
lines=${2:-100000}
bin="$build/bin"
symbols=200
clients=4
parts=10
items=(BID ASK LAST TIME VOLUME QUOTE)
command -v xdotool >/dev/null || { echo "long_run: needs xdotool" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# The lines, in parts; line n belongs to symbol n mod 200.
per_part=$((lines / parts))
for p in $(seq 0 $((parts - 1))); do
  awk -v from=$((p * per_part)) -v to=$(((p + 1) * per_part)) -v s=$symbols 'BEGIN {
    for (n = from; n < to; n++)
      printf "SYM%03d;1.%05d;1.%05d;1.%05d;%d;%d\n", n % s, n % 100000, (n + 3) % 100000,
             (n + 1) % 100000, 1700000000 + n, n % 1000 }' >"$out/part$p.txt"
done
cat "$out"/part*.txt >"$out/all.txt"

(cd "$bin" && wine tickwell.exe /dde off) &
app=$!
wine "$bin/tickwell-feed.exe" --timeout 30000 "SYM000;0;0;0;0;0" >/dev/null
win=""
for _ in $(seq 1 100); do
  win=$(xwininfo -root -tree 2>/dev/null | awk '/"Tickwell": \("tickwell.exe"/ {print $1; exit}')
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "long_run: Tickwell's window did not appear" >&2; exit 1; }
# Tickwell's own process: the one whose command line is this build's tickwell.exe as Wine names
# it (other Wine sessions on the machine may run a Tickwell too).
winexe="Z:${bin//\//\\}\\tickwell.exe"
pid=""
for p in $(pgrep -f 'tickwell\.exe'); do
  tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qiF "$winexe" && { pid=$p; break; }
done
[ -n "$pid" ] || { echo "long_run: cannot find Tickwell's process ($winexe)" >&2; exit 1; }
echo "long_run: Tickwell is process $pid ($(tr '\0' ' ' <"/proc/$pid/cmdline"))"
dde_button() { xdotool mousemove --window "$win" 45 44 click 1; }
dde_up() {
  for _ in $(seq 1 100); do
    wine "$bin/tickwell-watch.exe" MT5 System SysItems -t 2 >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "long_run: DDE did not come on" >&2
  exit 1
}
dde_button
dde_up

declare -A watching  # client slot -> symbol
declare -A watcher   # client slot -> pid
# Starts a client on a symbol and waits (bounded) until it is sent a value.
start_client() {
  local slot=$1 symbol=$2
  watching[$slot]=$symbol
  wine "$bin/tickwell-watch.exe" MT5 "$symbol" "${items[@]}" -a -t 0 >"$out/client$slot.txt" 2>&1 &
  watcher[$slot]=$!
  for t in $(seq 1 100); do
    wine "$bin/tickwell-feed.exe" "$symbol;0.$t;0;0;0;0" >/dev/null
    grep -q " $symbol BID 0.$t" "$out/client$slot.txt" && return 0
    sleep 0.1
  done
  echo "long_run: client $slot on $symbol got no value" >&2
  exit 1
}
stop_client() {
  kill "${watcher[$1]}" 2>/dev/null || true
  wait "${watcher[$1]}" 2>/dev/null || true
}
memory() { awk '/VmRSS/ {print $2 " kB"}' "/proc/$pid/status" 2>/dev/null || echo "unknown"; }

for c in $(seq 0 $((clients - 1))); do start_client "$c" "$(printf 'SYM%03d' "$c")"; done
echo "long_run: start, Tickwell resident $(memory)"
start=$(date +%s.%N)
next_symbol=$clients
for p in $(seq 0 $((parts - 1))); do
  wine "$bin/tickwell-feed.exe" --timeout 30000 -f "$out/part$p.txt" >/dev/null
  echo "long_run: $(((p + 1) * per_part)) lines, Tickwell resident $(memory)"
  [ "$p" -eq $((parts - 1)) ] && break
  if [ "$p" -eq $((parts / 2 - 1)) ]; then
    # DDE off and on: under Wine the clients keep dead links, so each one links again.
    dde_button
    dde_button
    dde_up
    for c in $(seq 0 $((clients - 1))); do stop_client "$c"; start_client "$c" "${watching[$c]}"; done
  else
    slot=$((p % clients))
    stop_client "$slot"
    start_client "$slot" "$(printf 'SYM%03d' $((next_symbol % symbols)))"
    next_symbol=$((next_symbol + 1))
  fi
done
# Every client ends with the last line of its symbol (bounded wait).
current=0
for c in $(seq 0 $((clients - 1))); do
  symbol=${watching[$c]}
  last=$(grep "^$symbol;" "$out/all.txt" | tail -n 1)
  for _ in $(seq 1 500); do
    grep -qF " $symbol QUOTE $last" "$out/client$c.txt" && { current=$((current + 1)); break; }
    sleep 0.02
  done
done
end=$(date +%s.%N)
echo "long_run: lines=$lines symbols=$symbols clients=$clients" \
     "rate=$(echo "$lines / ($end - $start)" | bc) lines/s" \
     "clients with their symbol's last line: $current of $clients, Tickwell resident $(memory)"
for c in $(seq 0 $((clients - 1))); do stop_client "$c"; done
xdotool key --window "$win" alt+F4 >/dev/null 2>&1 || true
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
[ "$current" -eq "$clients" ]
