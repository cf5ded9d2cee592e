#!/usr/bin/env bash
# Builds the tracker and starts it on the bundled sample data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" -j "$(nproc)"
if [ ! -x "$build/bin/Velmar" ]; then
  echo "The tracker's main window is not built yet; the orbit library and the tests are."
  exit 0
fi
exec "$build/bin/Velmar" "$@"
