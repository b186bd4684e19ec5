#!/bin/sh
# build_windows_deps.sh -- builds zlib, libpng, SDL 1.2 and libopenmpt for 64-bit Windows from Debian's own sources.
#
#   tools/windows/build_windows_deps.sh DEPS_DIR
#
# Fetches the source packages with apt-get source into DEPS_DIR/src, cross-builds each
# with Debian's MinGW-w64 compilers (the posix thread model) and installs them into
# DEPS_DIR/prefix: zlib, libpng and libopenmpt as static libraries, SDL 1.2 as SDL.dll
# with its import library and its static main library (SDL is LGPL: the programs load
# the DLL, and a user may replace it). The licence texts of the four go to
# DEPS_DIR/prefix/licenses. When all of it is there, built by this very script, nothing
# is done, so the Windows build runs this at every build at no cost; otherwise (the
# script has changed, a build was interrupted) all four are built afresh.
set -eu

deps=$(mkdir -p "${1:?usage: build_windows_deps.sh DEPS_DIR}" && cd "$1" && pwd)
prefix=$deps/prefix
src=$deps/src
jobs=${QUILLMOOR_WINDOWS_JOBS:-2}
host=x86_64-w64-mingw32

# The upstream versions of the Linux build's Debian 12 packages. Any Debian revision of
# these that the archive serves will do (a security update's files leave the archive
# when the next one comes).
pins="zlib=1.2.13 libpng1.6=1.6.39 libsdl1.2=1.2.15 libopenmpt=0.6.9"

say() { printf 'build_windows_deps: %s\n' "$*" >&2; }
have() { [ -f "$prefix/$1" ]; }
built() {
    have lib/libz.a && have lib/libpng16.a && have lib/libopenmpt.a && have bin/SDL.dll &&
        have lib/libSDL.dll.a && have lib/libSDLmain.a && have licenses/done
}

. "$(dirname "$0")/../debian_sources.sh"
recipe=$(recipe)
if [ "$(cat "$prefix/recipe" 2>/dev/null)" = "$recipe" ] && built; then
    exit 0
fi
if [ -e "$prefix/recipe" ]; then
    say "this script or tools/debian_sources.sh has changed since the libraries were built: building them again"
fi
rm -rf "$prefix" "$src" "$deps/logs"

for tool in $host-gcc-posix $host-g++-posix $host-ar $host-ranlib $host-windres $host-strip; do
    if ! command -v "$tool" >/dev/null; then
        say "$tool is missing: install g++-mingw-w64-x86-64 (see .ci/packages-windows)"
        exit 1
    fi
done

# Copies licence texts of library $1 from its source folder $2 (the files named after it).
licence() {
    name=$1 dir=$2
    shift 2
    mkdir -p "$prefix/licenses/$name"
    for file in "$@"; do cp "$dir/$file" "$prefix/licenses/$name/"; done
    cp "$dir/debian/copyright" "$prefix/licenses/$name/debian-copyright"
}

add_deb_src
mkdir -p "$prefix/lib" "$prefix/include" "$prefix/bin" "$src" "$deps/logs"

export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib RC=$host-windres
# Only what is built here is found through pkg-config: no library of the build machine.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
unset PKG_CONFIG_SYSROOT_DIR || true

dir=$(fetch zlib)
cd "$dir"
# Debian's source leaves out zlib's Windows makefiles; the library is its C files.
for file in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees \
    trees uncompr zutil; do
    logged zlib "$CC" -O2 -c "$file.c" -o "$file.o"
done
logged zlib "$AR" rcs "$prefix/lib/libz.a" adler32.o compress.o crc32.o deflate.o gzclose.o gzlib.o \
    gzread.o gzwrite.o infback.o inffast.o inflate.o inftrees.o trees.o uncompr.o zutil.o
cp zlib.h zconf.h "$prefix/include/"
licence zlib "$dir" LICENSE

dir=$(fetch libpng1.6)
cd "$dir"
logged libpng ./configure --host=$host --disable-shared --enable-static --prefix="$prefix" \
    CFLAGS=-O2 CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
# The library and its headers only: libpng's test and tool programs are of no use here.
logged libpng make -j"$jobs" libpng16.la
logged libpng make install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
    install-header-links install-library-links install-pkgconfigDATA
licence libpng "$dir" LICENSE

dir=$(fetch libsdl1.2)
cd "$dir"
# SDL.dll only (no static library); no redirection of standard output and error into
# stdout.txt and stderr.txt; libgcc inside the DLL, so that it imports only Windows' DLLs.
logged sdl ./configure --host=$host --prefix="$prefix" --enable-shared --disable-static \
    --disable-stdio-redirect CFLAGS=-O2 LDFLAGS=-static-libgcc
logged sdl make -j"$jobs"
logged sdl make install
$host-strip --strip-unneeded "$prefix/bin/SDL.dll"
licence sdl "$dir" COPYING

dir=$(fetch libopenmpt)
cd "$dir"
say "libopenmpt (a few minutes)"
logged libopenmpt ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc --without-zlib \
    --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile --without-portaudio \
    --without-portaudiocpp --without-pulseaudio --without-sndfile --without-flac --without-sdl2 \
    CFLAGS=-O2 CXXFLAGS=-O2
logged libopenmpt make -j"$jobs"
logged libopenmpt make install
licence libopenmpt "$dir" LICENSE

touch "$prefix/licenses/done"
built
echo "$recipe" >"$prefix/recipe"
say "installed into $prefix"
