#!/usr/bin/env bash
# Builds whisper.cpp's whisper-cli from the source tree that the npm package nodejs-whisper carries,
# and lays it out as the application bundle expects: build/bin/Whisper/{bin,lib,libexec}.
# An optional argument names another bundle folder (a second build tree); the compiled result is
# cached in build/deps, so a second run with the same pin only copies.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
pin="0.3.1"
deps="$root/build/deps"
bundle="${1:-$root/build/bin/Whisper}"
stamp="$bundle/.built-from-nodejs-whisper-$pin"

if [ -x "$bundle/bin/whisper-cli" ] && [ -f "$stamp" ]; then
    exit 0
fi

mkdir -p "$deps"
src="$deps/nodejs-whisper-$pin"
if [ ! -f "$src/cpp/whisper.cpp/CMakeLists.txt" ]; then
    echo "Fetching the whisper.cpp source (npm package nodejs-whisper $pin)"
    tmp=$(mktemp -d)
    # npm pack only downloads the tarball; it runs none of the package's install scripts.
    (cd "$tmp" && npm pack --silent "nodejs-whisper@$pin" >/dev/null)
    rm -rf "$src"
    mkdir -p "$src"
    tar -xzf "$tmp/nodejs-whisper-$pin.tgz" -C "$src" --strip-components=1
    rm -rf "$tmp"
fi

if [ ! -x "$deps/whisper-build/bin/whisper-cli" ]; then
    echo "Building whisper-cli (CPU only)"
    cmake -S "$src/cpp/whisper.cpp" -B "$deps/whisper-build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=ON \
        -DWHISPER_BUILD_EXAMPLES=ON \
        -DWHISPER_BUILD_TESTS=OFF \
        -DWHISPER_BUILD_SERVER=OFF \
        -DWHISPER_SDL2=OFF \
        -DWHISPER_CURL=OFF \
        -DWHISPER_FFMPEG=OFF \
        -DGGML_NATIVE=ON \
        -DGGML_OPENMP=OFF \
        -DGGML_CCACHE=OFF \
        -DCMAKE_INSTALL_RPATH='$ORIGIN/../lib' \
        -DCMAKE_BUILD_WITH_INSTALL_RPATH=ON >/dev/null
    cmake --build "$deps/whisper-build" --target whisper-cli -j "$(nproc)"
fi

rm -rf "$bundle"
mkdir -p "$bundle/bin" "$bundle/lib" "$bundle/libexec"
cp "$deps/whisper-build/bin/whisper-cli" "$bundle/bin/"
find "$deps/whisper-build" -name '*.so*' \( -type f -o -type l \) -exec cp -P {} "$bundle/lib/" \;
touch "$stamp"
echo "whisper-cli is in $bundle/bin"
