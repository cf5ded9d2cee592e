#!/usr/bin/env bash
# Builds everything and runs every test.
#   BUILD_DIR=...    build folder (default: build)
#   SANITIZE=1       build with AddressSanitizer and UndefinedBehaviorSanitizer
#   VELMAR_NO_BENCH=1 leave the benchmarks out
#   WERROR=1         a compiler warning fails the build (CI sets it)
#   BUILD_TYPE=...   CMake build type (default: RelWithDebInfo)
#   BENCH_ONLY=1     build only the benchmark programs and run each once (no tests)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${BUILD_DIR:-$root/build}
sanitize=OFF; [ "${SANITIZE:-0}" = 1 ] && sanitize=ON
bench=ON; [ "${VELMAR_NO_BENCH:-0}" = 1 ] && bench=OFF
werror=OFF; [ "${WERROR:-0}" = 1 ] && werror=ON
bench_only=0; [ "${BENCH_ONLY:-0}" = 1 ] && bench_only=1 && bench=ON
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DVELMAR_SANITIZE=$sanitize -DVELMAR_BENCH=$bench -DVELMAR_WERROR=$werror
export QT_QPA_PLATFORM=offscreen
[ "$sanitize" = ON ] && export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if [ "$bench_only" = 1 ]; then
  cmake --build "$build" -j "$(nproc)" --target velmar_benchmarks
else
  cmake --build "$build" -j "$(nproc)"
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
fi
# Each benchmark program once, briefly: one that crashes, throws or reports an error fails the run;
# its times are not judged here.
if [ "$bench" = ON ]; then
  for program in "$build"/bench/*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    name=$(basename "$program")
    log="$build/bench/$name.log"
    if "$program" --benchmark_min_time=0.01 >"$log" 2>&1 && ! grep -q "ERROR OCCURRED" "$log"; then
      echo "benchmark $name: ran to the end"
    else
      tail -n 30 "$log"
      echo "benchmark $name failed (the whole output: $log)"
      exit 1
    fi
  done
fi
