#!/usr/bin/env bash
# Tickwell against a bare DDEML bridge (tw-bare-bridge), end to end under Wine, in one run and
# alternating: for 0, 1 and 4 clients, each holding hot links on the six items of 10 symbols,
# tickwell-feed sends LINES quote lines unpaced; a run ends when every client has the last value
# of every item. Prints each run, then a table of the medians: lines per second and the server's
# own CPU time per line, Tickwell, bare bridge and their ratio. A run whose clients do not end
# with every last value fails the measure.
#
#   script/lane-env build/win64 bench/wine/compare.sh build/win64 [LINES] [ROUNDS]
#   TW_BENCH_CLIENTS="0 1 4"   the client counts measured
set -euo pipefail
build=$(cd "$1" && pwd)
lines=${2:-4000}
rounds=${3:-3}
bin="$build/bin"
symbols=10
end_mark=999999999
command -v xdotool >/dev/null || { echo "compare: needs xdotool" >&2; exit 1; }
hz=$(getconf CLK_TCK)
work=$(mktemp -d)
[ -n "${TW_BENCH_KEEP:-}" ] && echo "compare: keeping $work" >&2 || trap 'rm -rf "$work"' EXIT

list=$(seq -s, -f "SYM%g" 0 $((symbols - 1)))
# Every line changes every item of its symbol; the last line of each symbol carries the end mark
# as its volume.
for n in $(seq 1 "$lines"); do
  s=$((n % symbols))
  volume=$n
  [ "$n" -gt $((lines - symbols)) ] && volume=$end_mark
  echo "SYM$s;1.$n;2.$n;3.$n;$((1700000000 + n));$volume"
done >"$work/lines.txt"
seq -f "SYM%g;0.5;0.5;0.5;1700000000;0" 0 $((symbols - 1)) >"$work/prime.txt"

# CPU ticks (user + system) a process has used so far.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The newest process whose command line holds the text.
newest() { pgrep -n -f "$1"; }
wait_for() {  # command, tries of 0.1 s
  local tries=$2
  for _ in $(seq 1 "$tries"); do eval "$1" && return 0; sleep 0.1; done
  return 1
}

tickwell_window() {
  xwininfo -root -tree 2>/dev/null | awk '/"Tickwell": \("tickwell.exe"/ {print $1; exit}'
}

start_server() {  # kind
  if [ "$1" = bare ]; then
    wine "$bin/tw-bare-bridge.exe" MT5 --life 900 >"$work/server.txt" 2>&1 &
    wait_for 'grep -qs ready "$work/server.txt"' 300 || { echo "compare: bare bridge did not start" >&2; exit 1; }
    server_pid=$(newest 'tw-bare-bridge\.exe')
  else
    # DDE on for this start only (a click on the button could come before the window takes
    # input on a loaded machine).
    (cd "$bin" && wine tickwell.exe /dde on) >/dev/null 2>&1 &
    wait_for 'server_win=$(tickwell_window); [ -n "$server_win" ]' 300 ||
      { echo "compare: Tickwell's window did not show" >&2; exit 1; }
    server_pid=$(newest 'tickwell\.exe')
    wait_for 'wine "$bin/tickwell-watch.exe" MT5 System SysItems -t 2 >/dev/null 2>&1' 100 ||
      { echo "compare: Tickwell's DDE did not start" >&2; exit 1; }
  fi
  wine "$bin/tickwell-feed.exe" --timeout 30000 -f "$work/prime.txt" >/dev/null
}

stop_server() {  # kind
  if [ "$1" = tickwell ]; then xdotool key --window "$server_win" alt+F4 >/dev/null 2>&1 || true; fi
  kill "$server_pid" 2>/dev/null || true
  wait_for '! kill -0 $server_pid 2>/dev/null' 100 || kill -9 "$server_pid" 2>/dev/null || true
}

# One run: prints "kind clients lines_per_s cpu_ms_per_line".
run() {
  local kind=$1 clients=$2
  start_server "$kind"
  local pids=()
  for c in $(seq 1 "$clients"); do
    wine "$bin/tw-bench-client.exe" MT5 "$list" "$end_mark" --life 600 >"$work/client$c.txt" 2>&1 &
    pids+=($!)
    wait_for "grep -qs '^linked' '$work/client$c.txt'" 300 || { echo "compare: client $c did not link" >&2; exit 1; }
  done
  local cpu0 cpu1 t0 t1
  cpu0=$(cpu_ticks "$server_pid")
  t0=$(date +%s.%N)
  wine "$bin/tickwell-feed.exe" --timeout 30000 -f "$work/lines.txt" >/dev/null
  local failed=0
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
  t1=$(date +%s.%N)
  cpu1=$(cpu_ticks "$server_pid")
  stop_server "$kind"
  # Every client ends with the last line of every symbol, item by item.
  for c in $(seq 1 "$clients"); do
    sed -i 's/\r$//' "$work/client$c.txt"
    for s in $(seq 0 $((symbols - 1))); do
      local last
      last=$(grep "^SYM$s;" "$work/lines.txt" | tail -n 1)
      IFS=';' read -r _ bid ask lst tim vol <<<"$last"
      for pair in "BID $bid" "ASK $ask" "LAST $lst" "TIME $tim" "VOLUME $vol" "QUOTE $last"; do
        grep -qxF "SYM$s $pair" "$work/client$c.txt" || { failed=1; echo "compare: $kind client $c lacks SYM$s $pair" >&2; }
      done
    done
  done
  [ "$failed" -eq 0 ] || { echo "compare: $kind with $clients client(s) did not deliver every last value" >&2; exit 1; }
  echo "$kind $clients $(echo "$lines / ($t1 - $t0)" | bc) $(echo "scale=4; ($cpu1 - $cpu0) * 1000 / $hz / $lines" | bc)"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

results="$work/results.txt"
for clients in ${TW_BENCH_CLIENTS:-0 1 4}; do
  for r in $(seq 1 "$rounds"); do
    for kind in bare tickwell; do
      line=$(run "$kind" "$clients")
      echo "run $r: $line" >&2
      echo "$line" >>"$results"
    done
  done
done

printf '\n%d lines over %d symbols, %d rounds, medians; CPU is the server process'"'"'s own\n' "$lines" "$symbols" "$rounds"
printf '| figure | Tickwell | bare bridge | ratio |\n'
printf '|---|---|---|---|\n'
for clients in ${TW_BENCH_CLIENTS:-0 1 4}; do
  br=$(awk -v c="$clients" '$1 == "bare" && $2 == c {print $3}' "$results" | median)
  tr=$(awk -v c="$clients" '$1 == "tickwell" && $2 == c {print $3}' "$results" | median)
  bc_=$(awk -v c="$clients" '$1 == "bare" && $2 == c {print $4}' "$results" | median)
  tc=$(awk -v c="$clients" '$1 == "tickwell" && $2 == c {print $4}' "$results" | median)
  printf '| lines/s, Wine, %s client(s) | %s | %s | %.2f |\n' "$clients" "$tr" "$br" \
    "$(echo "scale=4; $tr / $br" | bc)"
  printf '| CPU ms/line, Wine, %s client(s) | %.4f | %.4f | %.2f |\n' "$clients" "$tc" "$bc_" \
    "$(echo "scale=4; if ($bc_ > 0) $tc / $bc_ else 0" | bc)"
done
