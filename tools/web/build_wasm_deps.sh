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

# What is built depends on this script alone: a changed script builds everything again.
recipe=$(cksum <"$0" | cut -d ' ' -f 1)
if [ "$(cat "$prefix/recipe" 2>/dev/null)" = "$recipe" ] && have libz.a && have libpng16.a && have libopenmpt.a; then
    exit 0
fi
if [ -e "$prefix/recipe" ]; then
    say "this script has changed since the libraries were built: building them again"
    rm -rf "$prefix" "$src" "$deps/logs"
fi
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# Runs a build step with its output in $deps/logs/$1.log, shown in part when it fails.
logged() {
    log=$deps/logs/$1.log
    shift
    if ! "$@" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        say "failed; the whole output is in $log"
        exit 1
    fi
}

# apt-get source needs deb-src entries; they mirror the machine's deb entries.
add_deb_src() {
    if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    say "adding deb-src entries for apt-get source"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            as_root tee /etc/apt/sources.list.d/quillmoor-deb-src.sources >/dev/null
    fi
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
            as_root tee /etc/apt/sources.list.d/quillmoor-deb-src.list >/dev/null
    fi
    as_root apt-get update -qq
}

# Unpacks source package $1 into $src and prints the folder. The newest version first;
# when the archive no longer serves it (a security update replaced its files), the one
# before it.
fetch() {
    mkdir -p "$src/$1"
    existing=$(find "$src/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    if [ -n "$existing" ]; then
        echo "$existing"
        return
    fi
    versions=$(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -u -r -V)
    for v in $versions; do
        if (cd "$src/$1" && apt-get source -qq "$1=$v" >>"$deps/logs/fetch.log" 2>&1); then
            find "$src/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1
            return
        fi
        say "$1 $v cannot be fetched; trying the version before it"
    done
    say "no source of $1 could be fetched (see $deps/logs/fetch.log)"
    exit 1
}

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
