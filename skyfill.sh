#!/usr/bin/env bash
# Skyfill build and run script for a Debian 12 machine.
#   ./skyfill.sh run    build, then start Skyfill on the bundled sample data
#   ./skyfill.sh test   build, then run every test
#   ./skyfill.sh tsan   build with ThreadSanitizer into build-tsan/ and run the thread tests
#                       (test suites whose name holds "Threads" or "Concurrent")
#   ./skyfill.sh asan   build with AddressSanitizer, UBSan and libstdc++'s assertions into build-asan/
#                       and run every test
#   ./skyfill.sh fuzz [SECONDS]
#                       build the fuzz targets of fuzz/ with clang 14 (ASan, UBSan, libFuzzer) into
#                       build-fuzz/ and run each for SECONDS (default 60), seeded from the sample data
#   ./skyfill.sh bench [REGEX]  build, then run the benchmarks (those matching REGEX) and print one table of
#                       every figure against its target (bench/targets.txt)
#   ./skyfill.sh measure [SECONDS]
#                       build, then run Skyfill headless beside the stand-ins with 500 live and 320 static
#                       aircraft (data generated for the run, see tools/measure-skyfill.sh), wait until its
#                       creations are done (minutes), and print its CPU share, memory and aircraft counts
#                       over SECONDS (default 60)
# Missing Debian packages are installed with apt-get first.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libpugixml-dev nlohmann-json3-dev libcurl4-openssl-dev libsodium-dev libzip-dev
  libmsgsl-dev libfmt-dev libfltk1.3-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev
  xvfb xauth x11-apps imagemagick fonts-dejavu-core
  clang-format git
  clang-14 libclang-rt-14-dev
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

jobs() { nproc 2>/dev/null || echo 2; }

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$(jobs)"
}

# Start a virtual X server when there is no display, for the window tests.
ensure_display() {
  if [ -z "${DISPLAY:-}" ]; then
    local n=99
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":${n}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    trap 'kill ${XVFB_PID} 2>/dev/null || true' EXIT
    export DISPLAY=":${n}"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.1; done
  fi
}

# Every tracked C++ file must match .clang-format; lists the ones that differ and fails.
check_format() {
  local files
  if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git -C "$ROOT" ls-files '*.cpp' '*.h')
  else
    files=$(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
  fi
  local bad
  bad=$(echo "$files" | xargs -r clang-format --dry-run 2>&1 | grep -o '^[^: ]*\.\(cpp\|h\):' | sort -u | tr -d ':' || true)
  if [ -n "$bad" ]; then
    echo "These files differ from .clang-format (run clang-format -i on them):" >&2
    echo "$bad" >&2
    return 1
  fi
}

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

case "${1:-}" in
  run)
    install_missing
    build build -DSKYFILL_WERROR=${werror}
    shift
    exec "$ROOT/tools/run-skyfill.sh" "$ROOT/build" "$@"
    ;;
  test)
    install_missing
    check_format
    build build -DSKYFILL_WERROR=${werror}
    ensure_display
    ctest --test-dir build --output-on-failure -j "$(jobs)"
    ;;
  tsan)
    install_missing
    build build-tsan -DSKYFILL_TSAN=ON -DSKYFILL_BENCH=OFF -DSKYFILL_WERROR=${werror}
    ensure_display
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$ROOT/cmake/tsan.supp" \
      ctest --test-dir build-tsan --output-on-failure -j "$(jobs)" -R "Threads|Concurrent"
    ;;
  asan)
    install_missing
    build build-asan -DSKYFILL_ASAN=ON -DSKYFILL_BENCH=OFF -DSKYFILL_WERROR=${werror}
    ensure_display
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1" \
      LSAN_OPTIONS="suppressions=$ROOT/cmake/lsan.supp" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      ctest --test-dir build-asan --output-on-failure -j "$(jobs)"
    ;;
  fuzz)
    install_missing
    seconds=${2:-60}
    build_fuzz="$ROOT/build-fuzz" # absolute: the targets work in folders of their own
    cmake -S "$ROOT" -B "$build_fuzz" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DSKYFILL_FUZZ=ON -DSKYFILL_TESTS=OFF -DSKYFILL_BENCH=OFF -DSKYFILL_WERROR=${werror}
    cmake --build "$build_fuzz" -j "$(jobs)" --target fuzz_all
    # The targets run side by side, half as many at once as there are cores; each one's output goes to
    # build-fuzz/logs/<reader>.log.
    mkdir -p "$build_fuzz/logs"
    fuzz_one() { # fuzz_one READER: runs one target, true when it ends without a finding
      local reader=$1 corpus="$build_fuzz/corpus/$1" crashes="$build_fuzz/crashes/$1"
      mkdir -p "$corpus" "$crashes"
      local seeds=("$build_fuzz/fuzz/seeds/$reader")
      [ -d "$ROOT/fuzz/cases/$reader" ] && seeds+=("$ROOT/fuzz/cases/$reader")
      ASAN_OPTIONS="detect_leaks=1" LSAN_OPTIONS="suppressions=$ROOT/cmake/lsan.supp" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        "$build_fuzz/fuzz/fuzz_$reader" "${seed_option[@]}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}" >"$build_fuzz/logs/$reader.log" 2>&1
    }
    # CI walks the same inputs every time (a fixed seed), so that its result does not hang on the draw; a
    # developer's run draws anew and so reaches further over many runs.
    seed_option=()
    [ "${CI:-}" = "true" ] && seed_option=(-seed=1)
    parallel=$(($(jobs) / 2))
    [ "$parallel" -ge 1 ] || parallel=1
    declare -A running=()
    failed=()
    settle() { # waits for one target to end and notes its result
      local pid rc=0
      wait -n -p pid || rc=$?
      if [ "$rc" -eq 0 ]; then echo "fuzz_${running[$pid]}: no finding"; else failed+=("${running[$pid]}"); fi
      unset "running[$pid]"
    }
    echo "Fuzzing each target for ${seconds} s, ${parallel} at a time"
    while read -r reader; do
      [ -n "$reader" ] || continue
      while [ ${#running[@]} -ge "$parallel" ]; do settle; done
      fuzz_one "$reader" &
      running[$!]=$reader
    done <"$build_fuzz/fuzz/readers.txt"
    while [ ${#running[@]} -gt 0 ]; do settle; done
    if [ ${#failed[@]} -gt 0 ]; then
      for reader in "${failed[@]}"; do tail -n 40 "$build_fuzz/logs/$reader.log" >&2; done
      echo "Fuzz targets with findings (inputs in $build_fuzz/crashes/): ${failed[*]}" >&2
      exit 1
    fi
    ;;
  bench)
    install_missing
    build build -DSKYFILL_WERROR=${werror}
    shift
    # Every bench/bench_*.cpp is a program of its own; each writes its figures as JSON into
    # build/bench-results/, and benchtable prints them in one table against bench/targets.txt.
    # `./skyfill.sh bench REGEX` runs only the benchmarks whose name matches REGEX.
    filter=()
    [ $# -gt 0 ] && filter=("--benchmark_filter=$1")
    rm -rf build/bench-results
    mkdir -p build/bench-results
    for b in build/bench/bench_*; do
      [ -x "$b" ] || continue
      out="build/bench-results/$(basename "$b").json"
      echo "== $(basename "$b")"
      "$b" "${filter[@]}" --benchmark_out="$out" --benchmark_out_format=json || echo "$(basename "$b") failed" >&2
      [ -s "$out" ] || rm -f "$out" # nothing matched the filter
    done
    echo
    results=(build/bench-results/*.json)
    [ -e "${results[0]}" ] || { echo "no benchmark ran" >&2; exit 1; }
    build/bin/benchtable bench/targets.txt "${results[@]}"
    ;;
  measure)
    install_missing
    build build -DSKYFILL_WERROR=${werror}
    exec "$ROOT/tools/measure-skyfill.sh" "$ROOT/build" "${2:-60}"
    ;;
  *)
    echo "usage: $0 run|test|tsan|asan|fuzz [SECONDS]|bench [REGEX]|measure [SECONDS]" >&2
    exit 2
    ;;
esac
