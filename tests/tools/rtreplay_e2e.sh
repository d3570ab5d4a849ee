#!/usr/bin/env bash
# Skyfill against the traffic replayer, beside the simulator stand-in and the download-server stand-in,
# as separate processes on loopback:  rtreplay_e2e.sh BUILD
# 1. Professional edition: the hand-shake, the edition, "Qs121=" lines in their exact format about once a
#    second, "Qs123=" about every 5 s, traffic and QNH read; the replayer killed and started again (the
#    lost-client path, then the re-connection without a second hand-shake); "exit" when Skyfill is closed
#    (Ctrl+C closes the headless window).
# 2. Standard edition: no "Qs123=" line.
# 3. No replayer: closing the window while the server waits in accept ends the program.
# Ports are taken from this process's id, so that runs side by side (other test runs, `./skyfill.sh run`)
# never meet on RealTraffic's fixed ports.
set -euo pipefail
BUILD=$(cd "${1:?build folder}" && pwd)
tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- Skyfill output"; tail -20 "$tmp/skyfill.out" 2>/dev/null; echo "--- Skyfill log"; cat "$tmp/Skyfill/Log.txt" 2>/dev/null | tail -40; echo "--- replayer";
         cat "$tmp/rtreplay.log" 2>/dev/null | tail -20; exit 1; }
waitcount() { # waitcount FILE PATTERN COUNT SECONDS
  for _ in $(seq $(( $4 * 10 ))); do [ "$(grep -c -- "$2" "$1" 2>/dev/null)" -ge "$3" ] && return 0; sleep 0.1; done
  fail "fewer than $3 \"$2\" in $1 within $4 s"
}
waitfor() { # waitfor FILE PATTERN SECONDS
  for _ in $(seq $(( $3 * 10 ))); do grep -q -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  fail "no \"$2\" in $1 within $3 s"
}

# Three ports in a row below the system's ephemeral range that nothing uses now.
for _ in $(seq 50); do
  base=$(( 20000 + (($$ + RANDOM) % 4000) * 3 ))
  ss -Htuan 2>/dev/null | grep -qE ":($base|$((base + 1))|$((base + 2)))\b" || break
done
SERVER_PORT=$base TRAFFIC_PORT=$((base + 1)) QNH_PORT=$((base + 2))
mkdir -p "$tmp/run"; chmod 700 "$tmp/run"
export XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/run" SKYFILL_SIMCONNECT_SOCKET="$tmp/sim.sock"
export SKYFILL_RT_TRAFFIC_PORT=$TRAFFIC_PORT SKYFILL_RT_QNH_PORT=$QNH_PORT SKYFILL_OPEN_COMMAND=true
unset DISPLAY
for sim in "Microsoft Flight Simulator" "Microsoft Flight Simulator 2024"; do
  mkdir -p "$XDG_CONFIG_HOME/$sim/Packages/Community" "$XDG_CONFIG_HOME/$sim/Packages/Official" \
           "$XDG_CONFIG_HOME/$sim/Packages/Official2024" "$XDG_DATA_HOME"
done
# AI packages for the livery scan of the first start.
if [ -x "$BUILD/bin/communitygen" ]; then
  "$BUILD/bin/communitygen" --files 20 "$XDG_CONFIG_HOME/Microsoft Flight Simulator/Packages/Community" >/dev/null
fi
mkdir -p "$XDG_CONFIG_HOME/InsideSystems" "$XDG_CONFIG_HOME/Skyfill"
: >"$XDG_CONFIG_HOME/InsideSystems/RealTraffic.jar"
printf '<root><parameters><parameter name="PORT_NUMBER" value="%s"/></parameters></root>\n' "$SERVER_PORT" \
  >"$XDG_CONFIG_HOME/Skyfill/parameters.xml"

"$BUILD/tools/dlserver/dlserver" "$BUILD/downloads" 0 </dev/null >"$tmp/dlserver.log" 2>&1 &
pids+=($!)
waitfor "$tmp/dlserver.log" "http://" 10
export SKYFILL_DOWNLOAD_URL=$(head -n 1 "$tmp/dlserver.log")

# run EDITION: one Skyfill run beside a fresh simulator stand-in (and a replayer of that edition unless
# EDITION is "none"); ends when Skyfill has run for a while and was closed.
skyfill_pid=""
start_run() {
  rm -rf "$tmp/Skyfill" "$tmp/rtreplay.log" "$SKYFILL_SIMCONNECT_SOCKET"
  cp -r "$BUILD/Skyfill" "$tmp/Skyfill"
  rm -f "$tmp/Skyfill/Log.txt"
  "$BUILD/bin/simstandin" --socket "$SKYFILL_SIMCONNECT_SOCKET" --scenario "$BUILD/bin/scenarios/default.json" \
    </dev/null >"$tmp/simstandin.log" 2>&1 &
  standin_pid=$!
  pids+=($standin_pid)
  for _ in $(seq 100); do [ -S "$SKYFILL_SIMCONNECT_SOCKET" ] && break; sleep 0.05; done
  if [ "$1" != none ]; then
    edition=(); [ "$1" = professional ] && edition=(--professional)
    "$BUILD/bin/rtreplay" --feed "$BUILD/bin/feeds/eham.rtfeed" --server-port "$SERVER_PORT" \
      --traffic-port "$TRAFFIC_PORT" --qnh-port "$QNH_PORT" --qnh 1021 "${edition[@]}" </dev/null >"$tmp/rtreplay.log" 2>&1 &
    replayer_pid=$!
    pids+=($replayer_pid)
  fi
  (cd "$tmp/Skyfill" && exec ./skyfill) </dev/null >"$tmp/skyfill.out" 2>&1 &
  skyfill_pid=$!
  pids+=($skyfill_pid)
}
close_skyfill() {
  kill -INT "$skyfill_pid"
  for _ in $(seq 300); do kill -0 "$skyfill_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$skyfill_pid" 2>/dev/null && fail "Skyfill still runs 30 s after the window was closed"
  wait "$skyfill_pid" 2>/dev/null || true
}

stop_replayer() {
  kill "$replayer_pid"; wait "$replayer_pid" 2>/dev/null || true
  waitfor "$tmp/rtreplay.log" "traffic datagrams sent" 30
}

# 1. Professional edition.
start_run professional
waitfor "$tmp/Skyfill/Log.txt" "RealTraffic connected" 150
waitfor "$tmp/Skyfill/Log.txt" "Traffic Reader connected" 40
waitfor "$tmp/rtreplay.log" "received Qs121=" 40
waitfor "$tmp/rtreplay.log" "10 position lines received so far" 60
log="$tmp/Skyfill/Log.txt"
grep -q "RealTraffic detected at this PC" "$log" || fail "RealTraffic not detected"
grep -q "No traffic in this region?" "$log" && fail "no traffic was read"
[ "$(grep -c "received Qs999=version" "$tmp/rtreplay.log")" = 1 ] || fail "not one version request"
grep -E "received Qs121=-?[0-9]+;-?[0-9]+;[0-9]+\.[0-9]{6};-?[0-9]+;[0-9.e+-]+;-?[0-9]+\.[0-9]{6};-?[0-9]+\.[0-9]{6}$" \
  "$tmp/rtreplay.log" >/dev/null || fail "position line not in its format"
waitcount "$tmp/rtreplay.log" "received Qs123=" 2 30
grep -E "received Qs123=[0-9]{13}$" "$tmp/rtreplay.log" >/dev/null || fail "time line not in milliseconds"

# RealTraffic is killed: the next position line fails; then it comes back.
kill -9 "$replayer_pid"; wait "$replayer_pid" 2>/dev/null || true
waitfor "$log" "RealTraffic gone? Wait for RealTraffic to re-connect" 40
mv "$tmp/rtreplay.log" "$tmp/rtreplay-first.log"
"$BUILD/bin/rtreplay" --feed "$BUILD/bin/feeds/eham.rtfeed" --server-port "$SERVER_PORT" \
  --traffic-port "$TRAFFIC_PORT" --qnh-port "$QNH_PORT" --professional </dev/null >"$tmp/rtreplay.log" 2>&1 &
replayer_pid=$!
pids+=($replayer_pid)
waitfor "$log" "RealTraffic re-connected" 40
waitfor "$tmp/rtreplay.log" "received Qs121=" 40
grep -q "received Qs999=version" "$tmp/rtreplay.log" && fail "a second hand-shake after the re-connection"

close_skyfill
waitfor "$tmp/rtreplay.log" "received exit" 30
stop_replayer
kill "$standin_pid" 2>/dev/null || true

# 2. Standard edition: no time lines.
start_run standard
waitfor "$tmp/Skyfill/Log.txt" "RealTraffic connected" 150
waitfor "$tmp/Skyfill/Log.txt" "Traffic Reader connected" 40
sleep 6
close_skyfill
waitfor "$tmp/rtreplay.log" "received exit" 30
stop_replayer
grep -q "received Qs123=" "$tmp/rtreplay.log" && fail "a time line went to the standard edition"
kill "$standin_pid" 2>/dev/null || true

# 3. No replayer: the server waits in accept; closing the window ends the program.
start_run none
waitfor "$tmp/Skyfill/Log.txt" "Waiting for RealTraffic to connect to Skyfill" 150
close_skyfill
grep -q "RealTraffic connected" "$tmp/Skyfill/Log.txt" && fail "connected without a replayer"
echo "PASS"
