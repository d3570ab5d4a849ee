#!/usr/bin/env bash
# Measures the whole program in real time at full load:  measure-skyfill.sh BUILD [SECONDS] [AIRCRAFT]
# Starts the simulator stand-in (the user parked at Schiphol for good: scenarios/parked.json), the
# download-server stand-in, the traffic replayer with a generated load of AIRCRAFT live aircraft (default 500)
# around Schiphol, and Skyfill headless, each in a private home, runtime folder, copy of the program folder
# and free ports (nothing of the build's own run is touched, runs side by side never meet). The data of the
# full load are made for the run: the stand-in's AI packages get a livery for every airline and model of the
# database (communitygen --every-pair), so that every aircraft of the load finds its own, and the served stand
# file of Schiphol is the load's park airport (rtreplay --park-airport): a stand at every gate where an
# aircraft of the load stands still (Skyfill shows one that stands still only on a stand) and PARK_STANDS
# stands (default 320) that static aircraft can fill at any time of the week. The settings ask for every stand
# to be filled (CUSTOM_PARKING_PERCENTAGE 100, MAX_PARK_SEL 500, real and soft options of any day) and for
# every aircraft of the load to be shown (a fixed range of 40 NM: the automatic range is 10 NM for a user on
# the ground, which holds only half of the load). Once Skyfill has started up (its first AI aircraft is in the
# simulator), the script waits until its creations are done (Skyfill hands over one creation at a time, so the
# full load takes minutes): until the simulator holds AIRCRAFT live and PARK_STANDS static aircraft, or fewer
# than one creation in 5 s came in over CREATIONS_QUIET seconds (default 30: the coming and going of the live
# traffic, far below the rate of the initial load), at most LOAD_LIMIT seconds (default 900). It then samples
# Skyfill's /proc entries every second for SECONDS (default 60) and prints its CPU share of one core (utime +
# stime over the window), its peak, average and final memory against the targets (8 % of one core, 200 MB),
# the live and static aircraft the stand-in holds at the start and the end of the window, and the load
# average. Skyfill is then closed as its close button does, before the stand-ins. MEASURE_PROGRAM names
# another program folder to measure (another build's BUILD/Skyfill) with the same stand-ins and data. Exit
# code 0 when both targets are met, 1 when one is missed, 2 when the run failed.
set -euo pipefail
BUILD=$(cd "${1:?build folder}" && pwd)
SECONDS_TO_MEASURE=${2:-60}
AIRCRAFT=${3:-500}
CPU_TARGET_PERCENT=8
MEMORY_TARGET_MB=200
STARTUP_LIMIT=180
LOAD_LIMIT=${LOAD_LIMIT:-900}
CREATIONS_QUIET=${CREATIONS_QUIET:-30}
PARK_STANDS=${PARK_STANDS:-320}
# The load's feed is this long before it starts again (its aircraft jump back then): longer than the load
# and the window take.
LOAD_SECONDS=${LOAD_SECONDS:-1800}
PROGRAM=$(cd "${MEASURE_PROGRAM:-$BUILD/Skyfill}" && pwd)

STANDIN="$BUILD/bin/simstandin"
SCENARIO="$BUILD/bin/scenarios/parked.json"
DLSERVER="$BUILD/tools/dlserver/dlserver"
REPLAYER="$BUILD/bin/rtreplay"
COMMUNITYGEN="$BUILD/bin/communitygen"
for f in "$STANDIN" "$SCENARIO" "$DLSERVER" "$REPLAYER" "$COMMUNITYGEN" "$PROGRAM/skyfill"; do
  [ -e "$f" ] || { echo "measure: $f is not built" >&2; exit 2; }
done

tmp=$(mktemp -d)
pids=()
skyfill_pid=""
cleanup() {
  if [ -n "$skyfill_pid" ] && kill -0 "$skyfill_pid" 2>/dev/null; then
    kill -TERM "$skyfill_pid" 2>/dev/null || true
    wait "$skyfill_pid" 2>/dev/null || true
  fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[$i]}" 2>/dev/null || true
    wait "${pids[$i]}" 2>/dev/null || true
  done
  exec 3>&- || true
  if [ -n "${MEASURE_KEEP:-}" ]; then echo "measure: the run's files are kept in $tmp"; else rm -rf "$tmp"; fi
}
trap cleanup EXIT
trap 'exit 2' INT TERM

# A home of its own: settings, the stand-in's packages with their AI liveries, RealTraffic's marker.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
if [ -d "$BUILD/standin-home/config" ]; then cp -r "$BUILD/standin-home/config/." "$XDG_CONFIG_HOME/"; fi
for sim in "Microsoft Flight Simulator" "Microsoft Flight Simulator 2024"; do
  mkdir -p "$XDG_CONFIG_HOME/$sim/Packages/Community" "$XDG_CONFIG_HOME/$sim/Packages/Official" \
           "$XDG_CONFIG_HOME/$sim/Packages/Official2024"
done
mkdir -p "$XDG_CONFIG_HOME/InsideSystems"
: >"$XDG_CONFIG_HOME/InsideSystems/RealTraffic.jar"
# The packages of the scenario's simulator (MSFS 2020) as the build makes them, and the fleet of the database.
"$COMMUNITYGEN" --seed 2020 --files 2000 --every-pair \
  "$XDG_CONFIG_HOME/Microsoft Flight Simulator/Packages/Community" >"$tmp/communitygen.log" 2>&1 ||
  { echo "measure: communitygen failed, see $tmp/communitygen.log" >&2; exit 2; }
cp -r "$PROGRAM" "$tmp/Skyfill"
# What earlier runs of that program folder learned (the per-airport range of their Schiphol, for one) and
# their logs are not the measurement's: it starts as a first run there.
rm -rf "$tmp/Skyfill/airports/learned" "$tmp/Skyfill"/Log*.txt
# The served downloads, with the load's park airport as Schiphol's stand file.
cp -r "$BUILD/downloads" "$tmp/downloads"
park_file="$tmp/downloads/MSFS/archive/stock/EHAM.xml"
"$REPLAYER" --load "$AIRCRAFT" --load-seconds "$LOAD_SECONDS" --park-airport "$park_file" --stands "$PARK_STANDS" \
  >"$tmp/park-airport.log" 2>&1 ||
  { echo "measure: the park airport was not written, see $tmp/park-airport.log" >&2; exit 2; }
# Three ports in a row below the system's ephemeral range that nothing uses now: Skyfill's server and its
# two UDP readers, so that the run never meets another one on RealTraffic's fixed ports.
for _ in $(seq 50); do
  base=$((20000 + (($$ + RANDOM) % 4000) * 3))
  ss -Htuan 2>/dev/null | grep -qE ":($base|$((base + 1))|$((base + 2)))\b" || break
done
export SKYFILL_RT_TRAFFIC_PORT=$((base + 1)) SKYFILL_RT_QNH_PORT=$((base + 2))
# The settings of the full load: the park airport's stands filled as far as its schedules allow.
mkdir -p "$XDG_CONFIG_HOME/Skyfill"
cat >"$XDG_CONFIG_HOME/Skyfill/parameters.xml" <<EOF
<?xml version="1.0"?>
<root><parameters>
  <parameter name="PORT_NUMBER" value="$base"/>
  <parameter name="CUSTOM_PARKING_PERCENTAGE" value="100"/>
  <parameter name="MAX_PARK_SEL" value="500"/>
  <parameter name="MAX_LIVE_SEL" value="500"/>
  <parameter name="AUTO_RANGE" value="false"/>
  <parameter name="RANGE" value="40"/>
  <parameter name="PARK_SOFT" value="true"/>
  <parameter name="WEEK" value="true"/>
  <parameter name="MAX_FIT" value="47"/>
</parameters></root>
EOF
rm -f "$tmp/Skyfill/output/Log.txt"
export SKYFILL_SIMCONNECT_SOCKET="$tmp/simconnect.sock"

# The stand-in reads commands from a pipe that stays open: "snapshot" puts every object into its trace.
mkfifo "$tmp/standin.in"
exec 3<>"$tmp/standin.in"
"$STANDIN" --socket "$SKYFILL_SIMCONNECT_SOCKET" --scenario "$SCENARIO" --trace "$tmp/trace.jsonl" \
  --no-frame-trace --no-move-trace --no-range-trace <&3 >"$tmp/simstandin.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$SKYFILL_SIMCONNECT_SOCKET" ] && break; sleep 0.05; done
[ -S "$SKYFILL_SIMCONNECT_SOCKET" ] || { echo "measure: simstandin did not start" >&2; exit 2; }

"$DLSERVER" "$tmp/downloads" 0 </dev/null >"$tmp/dlserver.log" 2>&1 &
pids+=($!)
url=""
for _ in $(seq 100); do
  url=$(head -n 1 "$tmp/dlserver.log" 2>/dev/null || true)
  case "$url" in http://*) break ;; esac
  url=""
  sleep 0.05
done
[ -n "$url" ] || { echo "measure: dlserver did not start" >&2; exit 2; }
export SKYFILL_DOWNLOAD_URL="$url"

# The load's callsigns tell live aircraft from static ones in the stand-in (a live one carries its callsign).
"$REPLAYER" --load "$AIRCRAFT" --load-seconds "$LOAD_SECONDS" --print-feed | cut -d, -f10 | sort -u >"$tmp/callsigns.txt"
"$REPLAYER" --load "$AIRCRAFT" --load-seconds "$LOAD_SECONDS" --server-port "$base" --traffic-port "$SKYFILL_RT_TRAFFIC_PORT" \
  --qnh-port "$SKYFILL_RT_QNH_PORT" </dev/null >"$tmp/rtreplay.log" 2>&1 &
pids+=($!)

# The snapshot of every object; prints "live static" of the AI objects in it.
count_aircraft() {
  local before
  before=$(grep -c '"dir":"snapshot"' "$tmp/trace.jsonl" 2>/dev/null || true)
  echo snapshot >&3
  for _ in $(seq 100); do
    [ "$(grep -c '"dir":"snapshot"' "$tmp/trace.jsonl" 2>/dev/null || true)" -gt "${before:-0}" ] && break
    sleep 0.05
  done
  grep '"dir":"snapshot"' "$tmp/trace.jsonl" | tail -n 1 |
    grep -oE '"atcId":"[^"]*"[^}]*"kind":"ai"' | sed -E 's/^"atcId":"([^"]*)".*/\1/' >"$tmp/ai.txt" || true
  local live static
  live=$(grep -cxFf "$tmp/callsigns.txt" "$tmp/ai.txt" || true)
  static=$(($(wc -l <"$tmp/ai.txt") - ${live:-0}))
  echo "${live:-0} $static"
}

(cd "$tmp/Skyfill" && exec env -u DISPLAY ./skyfill </dev/null >"$tmp/skyfill.out" 2>&1) &
skyfill_pid=$!
started=$(date +%s)
echo "measure: Skyfill started (pid $skyfill_pid), waiting for its first AI aircraft in the simulator"
while :; do
  kill -0 "$skyfill_pid" 2>/dev/null || { echo "measure: Skyfill ended during start-up, see its log:" >&2;
    tail -n 20 "$tmp/Skyfill/output/Log.txt" >&2 2>/dev/null || true; exit 2; }
  if grep -q '"call":"AICreateNonATCAircraft"' "$tmp/trace.jsonl" 2>/dev/null; then break; fi
  if [ $(($(date +%s) - started)) -gt "$STARTUP_LIMIT" ]; then
    echo "measure: no AI aircraft after ${STARTUP_LIMIT} s, see $tmp/Skyfill/output/Log.txt" >&2
    tail -n 20 "$tmp/Skyfill/output/Log.txt" >&2 2>/dev/null || true
    exit 2
  fi
  sleep 1
done
echo "measure: started up in $(($(date +%s) - started)) s; waiting for the creations to be done"

# The stands of the park airport, the gates of the load's live aircraft among them.
stands=$(grep -o 'name="num_parkpos" value="[0-9]*"' "$park_file" 2>/dev/null |
  grep -oE '[0-9]+' || echo 0)
creations() { grep -c '"call":"AICreateNonATCAircraft"' "$tmp/trace.jsonl" 2>/dev/null || true; }
load_started=$(date +%s)
last_report=$load_started
history=() # the creation count of every poll, 5 s apart
while :; do
  sleep 5
  kill -0 "$skyfill_pid" 2>/dev/null || { echo "measure: Skyfill ended while loading" >&2; exit 2; }
  now=$(date +%s)
  n=$(creations)
  history+=("$n")
  polls=$((CREATIONS_QUIET / 5))
  if [ "${#history[@]}" -gt "$polls" ] &&
    [ $((n - ${history[${#history[@]} - 1 - polls]})) -lt "$polls" ]; then break; fi
  [ $((now - load_started)) -ge "$LOAD_LIMIT" ] && break
  if [ $((now - last_report)) -ge 30 ]; then
    last_report=$now
    read -r live static < <(count_aircraft)
    echo "measure: $((now - load_started)) s: $n creations, $live live and $static static aircraft in the simulator"
    [ "$live" -ge "$AIRCRAFT" ] && [ "$static" -ge "$PARK_STANDS" ] && break
  fi
done
load_seconds=$(($(date +%s) - load_started))
read -r live_start static_start < <(count_aircraft)
echo "measure: loaded in ${load_seconds} s ($(creations) creations); measuring for ${SECONDS_TO_MEASURE} s"

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$skyfill_pid/stat"; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$skyfill_pid/status"; }
begin_ticks=$(cpu_ticks)
begin_ns=$(date +%s%N)
peak_kb=0
kb=0
sum_kb=0
samples=0
for _ in $(seq "$SECONDS_TO_MEASURE"); do
  sleep 1
  kill -0 "$skyfill_pid" 2>/dev/null || { echo "measure: Skyfill ended during the measurement" >&2; exit 2; }
  kb=$(rss_kb)
  sum_kb=$((sum_kb + kb))
  samples=$((samples + 1))
  [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
done
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)
read -r live static < <(count_aircraft)

# Closed as its close button does, before the stand-ins; then the stand-in must hold no AI object.
kill -TERM "$skyfill_pid"
closed=0
for _ in $(seq 600); do kill -0 "$skyfill_pid" 2>/dev/null || { closed=1; break; }; sleep 0.1; done
set +e
[ "$closed" = 1 ] && wait "$skyfill_pid"
rc=$?
set -e
skyfill_pid=""
read -r live_after static_after < <(count_aircraft)

awk -v t0="$begin_ticks" -v t1="$end_ticks" -v n0="$begin_ns" -v n1="$end_ns" -v hz="$ticks" \
  -v peak="$peak_kb" -v sum="$sum_kb" -v n="$samples" -v cpu_target="$CPU_TARGET_PERCENT" \
  -v mem_target="$MEMORY_TARGET_MB" -v live="$live" -v static="$static" -v aircraft="$AIRCRAFT" \
  -v seconds="$SECONDS_TO_MEASURE" -v live0="$live_start" -v static0="$static_start" -v final="$kb" \
  -v loaded="$load_seconds" -v stands="$stands" -v grid="$PARK_STANDS" -v loadavg="$(cut -d' ' -f1-3 /proc/loadavg)" \
  -v cores="$(nproc)" 'BEGIN {
    cpu = 100 * (t1 - t0) / hz / ((n1 - n0) / 1e9)
    peakMb = peak / 1024; avgMb = sum / n / 1024
    printf "Skyfill over %d s, %d s after its start-up, %d live aircraft in the feed, %d stands at the park airport", seconds, loaded, aircraft, stands
    printf " (%d for static aircraft):\n", grid
    printf "  %-22s %7.2f %% of one core  (target at most %d %%)  %s\n", "CPU", cpu, cpu_target, cpu <= cpu_target ? "met" : "MISSED"
    printf "  %-22s %7.1f MB             (target at most %d MB)  %s\n", "memory, peak", peakMb, mem_target, peakMb <= mem_target ? "met" : "MISSED"
    printf "  %-22s %7.1f MB\n", "memory, average", avgMb
    printf "  %-22s %7.1f MB\n", "memory, final", final / 1024
    printf "  %-22s %7d live, %d static AI aircraft\n", "in the stand-in, start", live0, static0
    printf "  %-22s %7d live, %d static AI aircraft\n", "in the stand-in, end", live, static
    printf "  %-22s %s (%d cores)\n", "load average", loadavg, cores
    exit (cpu <= cpu_target && peakMb <= mem_target) ? 0 : 1
  }' && verdict=0 || verdict=1
if [ "$closed" != 1 ]; then
  echo "Skyfill did not end within 60 s of its close" >&2
  exit 2
fi
echo "Closed: exit code $rc, $((live_after + static_after)) AI objects left in the stand-in"
[ "$rc" = 0 ] && [ $((live_after + static_after)) = 0 ] || exit 2
exit "$verdict"
