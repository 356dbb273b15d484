#!/usr/bin/env bash
# Advise throughput of Wine's DDEML between processes: a raw DDEML server (tw-raw-server, no
# Tickwell code) feeds quote lines for 10 symbols, six items each, to 1 and then 10
# tickwell-watch processes holding hot links; prints the updates per second delivered. It is the
# floor the real server is compared against.
#
# Run it from the repository root on a Windows lane build, inside that lane's environment:
#   cmake --build build/win64 --target tw-raw-server tickwell-watch
#   script/lane-env build/win64 bench/wine/throughput.sh build/win64 [QUOTE_LINES]
# QUOTE_LINES defaults to 2000; any number works (the platform's Wine fix frees what Wine's
# DDEML would leak, so a server is no longer bound to 65,535 posts in its lifetime). Updates
# that arrive without their data are not counted as delivered.
set -euo pipefail
build=$(cd "$1" && pwd)
lines=${2:-2000}
bin="$build/bin"
items=(BID ASK LAST TIME VOLUME QUOTE)

run() {
  local clients=$1 service="TwBench$1" out
  out=$(mktemp -d)
  wine "$bin/tw-raw-server.exe" "$service" --symbols 10 --feed-on-advise "$lines" \
    --links $((clients * 6)) --life 600 >"$out/server.txt" 2>&1 &
  local server=$!
  # Wait until the server answers, then start the clients one at a time, each once it holds its
  # links (the server counts them and starts the feed with the last).
  for _ in $(seq 1 200); do
    wine "$bin/tickwell-watch.exe" "$service" System --list >/dev/null 2>&1 && break
    sleep 0.1
  done
  local start pids=()
  start=$(date +%s.%N)
  for c in $(seq 0 $((clients - 1))); do
    local topic="SYM$((c % 10))"
    # Each symbol gets lines/10 quote lines of six items.
    wine "$bin/tickwell-watch.exe" "$service" "$topic" "${items[@]}" -a \
      -n $((lines / 10 * 6)) -t 300 >"$out/client$c.txt" 2>&1 &
    pids+=($!)
    # One program at a time (simultaneous starts may miss each other's broadcasts): the next
    # starts once this one's six links are counted.
    for _ in $(seq 1 300); do
      grep -q "^links $(((c + 1) * 6))\b" "$out/server.txt" && break
      sleep 0.05
    done
  done
  for p in "${pids[@]}"; do wait "$p" || true; done
  local end delivered
  end=$(date +%s.%N)
  delivered=$(cat "$out"/client*.txt | grep ' SYM' | grep -vc 'missing data' || true)
  wine "$bin/tickwell-watch.exe" "$service" System -x "[quit]" >/dev/null 2>&1 || true
  wait "$server" || true
  echo "clients=$clients delivered=$delivered expected=$((clients * lines / 10 * 6))" \
       "server: $(grep posted "$out/server.txt" || echo 'no feed')" \
       "rate=$(echo "$delivered / ($end - $start)" | bc) updates/s (end to end)"
  rm -rf "$out"
}

run 1
run 10
