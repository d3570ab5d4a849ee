#!/usr/bin/env bash
# Starts Skyfill from its program folder (the build's Skyfill/ folder):  run-skyfill.sh BUILD [options...]
# When the simulator stand-in is built (BUILD/bin/simstandin), it is started first in the background with
# its default scenario on a socket of its own, and stopped when Skyfill ends (SKYFILL_NO_STANDIN=1: not
# started, Skyfill then waits for a simulator on the usual socket). Unless SKYFILL_DOWNLOAD_URL names a
# server, the download-server stand-in (BUILD/tools/dlserver/dlserver) serves BUILD/downloads on 127.0.0.1
# for the update check, and is stopped when Skyfill ends: a local run never reaches outside this machine.
# When the traffic replayer is built (BUILD/bin/rtreplay), it stands in for RealTraffic: it replays the
# bundled sample feed around Schiphol (BUILD/bin/feeds/eham.rtfeed) and connects to Skyfill's server, and
# is stopped when Skyfill ends (SKYFILL_NO_REPLAYER=1: not started). Beside the stand-in simulator the
# run places RealTraffic's marker file in the stand-in's home, so that Skyfill finds RealTraffic on this PC.
# Ctrl+C (SIGINT), SIGTERM and SIGHUP close Skyfill as its close button does, and the stand-ins are stopped
# only after Skyfill has ended: every stand-in is started with `setsid`, in a session of its own, so that the
# terminal's signal never reaches it (else the simulator stand-in could end first, and Skyfill would take
# that for a lost simulator). Skyfill runs in a session of its own too, so that it gets the close exactly
# once, from this script. Skyfill's exit code is returned.
set -euo pipefail
BUILD=$(cd "${1:?build folder}" && pwd)
shift || true

STANDIN="$BUILD/bin/simstandin"
SCENARIO="$BUILD/bin/scenarios/default.json"
DLSERVER="$BUILD/tools/dlserver/dlserver"
DOWNLOADS="$BUILD/downloads"
REPLAYER="$BUILD/bin/rtreplay"
FEED="$BUILD/bin/feeds/eham.rtfeed"
standin_pid=""
dlserver_pid=""
replayer_pid=""
tmp=""
cleanup() {
  if [ -n "$replayer_pid" ]; then
    kill "$replayer_pid" 2>/dev/null || true
    wait "$replayer_pid" 2>/dev/null || true
  fi
  if [ -n "$dlserver_pid" ]; then
    kill "$dlserver_pid" 2>/dev/null || true
    wait "$dlserver_pid" 2>/dev/null || true
  fi
  if [ -n "$standin_pid" ]; then
    kill "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
  fi
  if [ -n "$tmp" ]; then rm -rf "$tmp"; fi
}
trap cleanup EXIT

if [ -z "${SKYFILL_NO_STANDIN:-}" ] && [ -x "$STANDIN" ] && [ -f "$SCENARIO" ]; then
  tmp=$(mktemp -d)
  export SKYFILL_SIMCONNECT_SOCKET="$tmp/simconnect.sock"
  # Beside the stand-in simulator Skyfill keeps its settings in a home of its own in the build folder, where
  # the stand-in's packages folder lies too (unless SKYFILL_KEEP_HOME=1 keeps the user's folders).
  if [ -z "${SKYFILL_KEEP_HOME:-}" ]; then
    export XDG_CONFIG_HOME="$BUILD/standin-home/config" XDG_DATA_HOME="$BUILD/standin-home/data"
    for sim in "Microsoft Flight Simulator" "Microsoft Flight Simulator 2024"; do
      mkdir -p "$XDG_CONFIG_HOME/$sim/Packages/Community" "$XDG_CONFIG_HOME/$sim/Packages/Official" \
               "$XDG_CONFIG_HOME/$sim/Packages/Official2024" "$XDG_DATA_HOME"
    done
    # RealTraffic counts as installed when its marker file exists in roaming application data.
    if [ -z "${SKYFILL_NO_REPLAYER:-}" ] && [ -x "$REPLAYER" ]; then
      mkdir -p "$XDG_CONFIG_HOME/InsideSystems"
      : >"$XDG_CONFIG_HOME/InsideSystems/RealTraffic.jar"
    else
      rm -f "$XDG_CONFIG_HOME/InsideSystems/RealTraffic.jar"
    fi
  fi
  # The trace keeps every call but the per-frame positions (and not each aircraft's answer to the range
  # request, 5 a second), and a snapshot of every object each 10 s, so that it stays small over an hour.
  # Its map of what is in the simulator, every 10 s and at once on SIGUSR1, with the stands of Schiphol's
  # airport file (the one the download-server stand-in serves).
  map=(--map "$BUILD/simstandin-map.txt" --map-picture "$BUILD/simstandin-map.ppm" --map-every 10)
  if [ -f "$DOWNLOADS/MSFS/archive/stock/EHAM.xml" ]; then
    map+=(--map-airport "$DOWNLOADS/MSFS/archive/stock/EHAM.xml")
  fi
  setsid "$STANDIN" --socket "$SKYFILL_SIMCONNECT_SOCKET" --scenario "$SCENARIO" --trace "$BUILD/simstandin-trace.jsonl" \
    --no-frame-trace --no-move-trace --no-range-trace --snapshot-every 10 "${map[@]}" </dev/null >"$BUILD/simstandin.log" 2>&1 &
  standin_pid=$!
  for _ in $(seq 100); do
    [ -S "$SKYFILL_SIMCONNECT_SOCKET" ] && break
    kill -0 "$standin_pid" 2>/dev/null || { echo "simstandin did not start, see $BUILD/simstandin.log" >&2; exit 1; }
    sleep 0.05
  done
  echo "Simulator stand-in running (default scenario, log in $BUILD/simstandin.log, trace in $BUILD/simstandin-trace.jsonl)"
  echo "Its map: $BUILD/simstandin-map.txt and .ppm, every 10 s (at once: kill -USR1 $standin_pid)"
fi

if [ -z "${SKYFILL_DOWNLOAD_URL:-}" ]; then
  if [ -x "$DLSERVER" ] && [ -f "$DOWNLOADS/versions.json" ]; then
    # Port 0: the stand-in takes a free port and prints its address as its first line (the log is emptied
    # here first, so that the address of an earlier run is never read).
    : >"$BUILD/dlserver.log"
    setsid "$DLSERVER" "$DOWNLOADS" 0 </dev/null >"$BUILD/dlserver.log" 2>&1 &
    dlserver_pid=$!
    url=""
    for _ in $(seq 100); do
      url=$(head -n 1 "$BUILD/dlserver.log" 2>/dev/null || true)
      case "$url" in http://*) break ;; esac
      url=""
      kill -0 "$dlserver_pid" 2>/dev/null || break
      sleep 0.05
    done
    if [ -z "$url" ]; then
      echo "dlserver did not start, see $BUILD/dlserver.log" >&2
      exit 1
    fi
    export SKYFILL_DOWNLOAD_URL="$url"
    echo "Download-server stand-in serving $DOWNLOADS at $url (log in $BUILD/dlserver.log)"
  else
    # Nothing to serve: the update check fails at once on a closed local port instead of going out.
    export SKYFILL_DOWNLOAD_URL="http://127.0.0.1:9/downloads/"
    echo "No download-server stand-in built: the update check will find no server" >&2
  fi
fi

if [ -z "${SKYFILL_NO_REPLAYER:-}" ] && [ -x "$REPLAYER" ] && [ -f "$FEED" ]; then
  setsid "$REPLAYER" --feed "$FEED" </dev/null >"$BUILD/rtreplay.log" 2>&1 &
  replayer_pid=$!
  echo "Traffic replayer running (sample feed around EHAM, log in $BUILD/rtreplay.log)"
fi

# A termination request for this script is Skyfill's close button; the stand-ins stay until Skyfill has
# ended (cleanup, on exit). A second Ctrl+C is passed on again.
skyfill_pid=""
close_signal=""
close_skyfill() {
  if [ -n "$skyfill_pid" ]; then kill -s "$1" "$skyfill_pid" 2>/dev/null || true; else close_signal=$1; fi
}
trap 'close_skyfill INT' INT
trap 'close_skyfill TERM' TERM HUP

cd "$BUILD/Skyfill"
setsid ./skyfill "$@" &
skyfill_pid=$!
# A request that came while Skyfill was being started is passed on now.
if [ -n "$close_signal" ]; then close_skyfill "$close_signal"; fi
# wait returns early when a trapped signal comes in; Skyfill may still be closing down then.
while kill -0 "$skyfill_pid" 2>/dev/null; do
  wait "$skyfill_pid" || true
done
set +e
wait "$skyfill_pid"
rc=$?
set -e
exit "$rc"
