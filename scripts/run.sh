#!/usr/bin/env bash
# Builds the tracker (the program, its orbit library, the registration tool and the data beside
# them) and starts it on the bundled sample data. Tests and benchmarks are left to scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" -j "$(nproc)" --target Velmar MarnSatLib regsvr velmar_data
exec "$build/bin/Velmar" "$@"
