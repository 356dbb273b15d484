#!/usr/bin/env bash
# End-to-end quote lines per second through Tickwell under Wine: tickwell.exe with DDE switched on
# (a click on its "DDE" button, which needs xdotool), tickwell-feed sending QUOTE_LINES lines for
# 4 symbols, and 0, 1 and 4 tickwell-watch processes holding hot links on the six items of a
# symbol each. Every client must end with all of its updates. The raw DDEML server of
# throughput.sh is measured in the same run, next to it.
#
#   cmake --build build/win64 --target tickwell tickwell-feed tickwell-watch tw-raw-server
#   script/lane-env build/win64 bench/wine/bridge_throughput.sh build/win64 [QUOTE_LINES]
set -euo pipefail
build=$(cd "$1" && pwd)
lines=${2:-2000}
bin="$build/bin"
here=$(cd "$(dirname "$0")" && pwd)
items=(BID ASK LAST TIME VOLUME QUOTE)
command -v xdotool >/dev/null || { echo "bridge_throughput: needs xdotool" >&2; exit 1; }

run() {
  local clients=$1 out
  out=$(mktemp -d)
  # Every line changes every item of its symbol, so each linked client is sent six updates.
  for n in $(seq 1 "$lines"); do
    echo "SYM$((n % 4));1.$n;2.$n;3.$n;$((1700000000 + n));$n"
  done >"$out/lines.txt"
  (cd "$bin" && wine tickwell.exe /dde on) &
  local app=$!
  wine "$bin/tickwell-feed.exe" --timeout 30000 "SYM0;0;0;0;0;0" >/dev/null
  local win=""
  for _ in $(seq 1 100); do
    win=$(xwininfo -root -tree 2>/dev/null | awk '/"Tickwell": \("tickwell.exe"/ {print $1; exit}')
    [ -n "$win" ] && break
    sleep 0.1
  done
  for _ in $(seq 1 100); do
    wine "$bin/tickwell-watch.exe" MT5 System SysItems -t 2 >/dev/null 2>&1 && break
    sleep 0.2
  done
  local pids=()
  for c in $(seq 0 $((clients - 1))); do
    wine "$bin/tickwell-watch.exe" MT5 "SYM$c" "${items[@]}" -a -t 600 >"$out/client$c.txt" 2>&1 &
    pids+=($!)
    # One at a time: the next starts once this one is sent a value (a priming line per try).
    for t in $(seq 1 100); do
      wine "$bin/tickwell-feed.exe" "SYM$c;0.$t;0;0;0;0" >/dev/null
      grep -q " SYM$c BID 0.$t" "$out/client$c.txt" && break
      sleep 0.1
    done
  done
  local start end
  start=$(date +%s.%N)
  wine "$bin/tickwell-feed.exe" --timeout 30000 -f "$out/lines.txt" >/dev/null
  # Done when every client shows the last line of its symbol (bounded).
  for c in $(seq 0 $((clients - 1))); do
    local last
    last=$(grep "^SYM$c;" "$out/lines.txt" | tail -n 1)
    for _ in $(seq 1 3000); do
      grep -qF " SYM$c QUOTE $last" "$out/client$c.txt" && break
      sleep 0.02
    done
  done
  end=$(date +%s.%N)
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  # Quote lines each client was sent in full (the priming lines' quotes start with "0.").
  local delivered=0
  for c in $(seq 0 $((clients - 1))); do
    delivered=$((delivered + $(grep -c " SYM$c QUOTE SYM$c;[1-9]" "$out/client$c.txt" || true)))
  done
  echo "tickwell clients=$clients lines=$lines rate=$(echo "$lines / ($end - $start)" | bc) lines/s" \
       "quotes delivered=$delivered expected=$((clients * lines / 4))"
  xdotool key --window "$win" alt+F4 >/dev/null 2>&1 || true
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  if [ -n "${TW_BENCH_KEEP:-}" ]; then echo "kept $out"; else rm -rf "$out"; fi
}

for clients in ${TW_BENCH_CLIENTS:-0 1 4}; do run "$clients"; done
[ -n "${TW_BENCH_CLIENTS:-}" ] || "$here/throughput.sh" "$build" "$lines"
