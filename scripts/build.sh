#!/usr/bin/env bash
# Configures and builds Tallybrook (Release) with the Whisper bundle beside the executables.
# TALLYBROOK_BUILD_DIR names another build folder (default: build/ at the repository root).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="${TALLYBROOK_BUILD_DIR:-$root/build}"

"$root/scripts/deps.sh"
"$root/scripts/build-whisper.sh" "$build/bin/Whisper"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j "$(nproc)"
