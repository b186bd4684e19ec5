#!/bin/sh
# build_wasm_deps.sh -- builds zlib, libpng and libopenmpt for WebAssembly from Debian's own sources.
#
#   tools/web/build_wasm_deps.sh DEPS_DIR
#
# Fetches the source packages with apt-get source into DEPS_DIR/src, builds each with
# Emscripten (static libraries, no external codecs for libopenmpt) and installs them
# into DEPS_DIR/prefix. A library already there is not built again, so the web build
# runs this at every build at no cost. Emscripten's own ports would download at build
# time; these come from the same Debian archive as the native build's libraries.
set -eu

deps=$(mkdir -p "${1:?usage: build_wasm_deps.sh DEPS_DIR}" && cd "$1" && pwd)
prefix=$deps/prefix
src=$deps/src
jobs=${QUILLMOOR_WASM_JOBS:-2}

# emcc cannot find its JavaScript parser without Debian's node module path, and
# Node 20's fetch cannot load a local .wasm (configure's test programs included).
# Debian's emcc cannot record that its tools passed their check (its cache is frozen),
# so it would check them again at every call: a second each, hundreds of calls here.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch
export EMCC_SKIP_SANITY_CHECK=1

say() { printf 'build_wasm_deps: %s\n' "$*" >&2; }
have() { [ -f "$prefix/lib/$1" ]; }

. "$(dirname "$0")/../debian_sources.sh"
recipe=$(recipe)
if [ "$(cat "$prefix/recipe" 2>/dev/null)" = "$recipe" ] && have libz.a && have libpng16.a && have libopenmpt.a; then
    exit 0
fi
if [ -e "$prefix/recipe" ]; then
    say "this script or tools/debian_sources.sh has changed since the libraries were built: building them again"
    rm -rf "$prefix" "$src" "$deps/logs"
fi

add_deb_src
mkdir -p "$prefix" "$src" "$deps/logs"

if ! have libz.a; then
    dir=$(fetch zlib)
    say "zlib from $dir"
    cd "$dir"
    logged zlib env CFLAGS=-O2 emconfigure ./configure --static --prefix="$prefix"
    logged zlib emmake make -j"$jobs" libz.a
    logged zlib emmake make install
fi

if ! have libpng16.a; then
    dir=$(fetch libpng1.6)
    say "libpng from $dir"
    cd "$dir"
    logged libpng emconfigure ./configure --disable-shared --enable-static --prefix="$prefix" \
        CFLAGS=-O2 CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
    # The library and its headers only: libpng's test and tool programs are of no use here.
    logged libpng emmake make -j"$jobs" libpng16.la
    logged libpng emmake make install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
        install-header-links install-library-links
fi

if ! have libopenmpt.a; then
    dir=$(fetch libopenmpt)
    say "libopenmpt from $dir (a few minutes)"
    # libopenmpt reports a file it cannot read by throwing inside and catching at its C
    # interface; without catching, such a song would end the page instead of playing silence.
    catching=-sDISABLE_EXCEPTION_CATCHING=0
    cd "$dir"
    logged libopenmpt emconfigure ./configure --prefix="$prefix" --disable-shared --enable-static \
        --disable-openmpt123 --disable-examples --disable-tests --without-zlib --without-mpg123 \
        --without-ogg --without-vorbis --without-vorbisfile --without-portaudio --without-portaudiocpp \
        --without-pulseaudio --without-sndfile --without-flac --without-sdl2 \
        CFLAGS=-O2 CXXFLAGS="-O2 $catching" LDFLAGS="$catching"
    logged libopenmpt emmake make -j"$jobs"
    logged libopenmpt emmake make install
fi

have libz.a && have libpng16.a && have libopenmpt.a
echo "$recipe" >"$prefix/recipe"
say "installed into $prefix"
