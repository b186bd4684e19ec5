# debian_sources.sh -- what the scripts that build libraries from Debian's source packages
# share: running a build step with its output logged, and unpacking a source package.
#
# Sourced by tools/web/build_wasm_deps.sh and tools/windows/build_windows_deps.sh after
# they set deps (the cache folder), src (where sources are unpacked), pins (optional:
# "package=upstream-version ...") and say (their way of printing a line).

# The libraries depend on the calling script and on this file: a change to either
# builds them again.
recipe() { cat "$0" "$(dirname "$0")/../debian_sources.sh" | cksum | cut -d ' ' -f 1; }

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

# Unpacks source package $1 into $src (unless it is there already) and prints the
# folder. Its pinned upstream version if it has one, else any; the newest Debian
# revision first, and when the archive no longer serves that one's files (a security
# update replaced them), the one before it.
fetch() {
    mkdir -p "$src/$1"
    existing=$(find "$src/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    if [ -n "$existing" ]; then
        echo "$existing"
        return
    fi
    upstream=$(printf '%s\n' ${pins:-} | sed -n "s/^$1=//p")
    pattern=.
    if [ -n "$upstream" ]; then pattern="$(printf '%s' "$upstream" | sed 's/\./\\./g')[.+~-]"; fi
    versions=$(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -u -r -V |
        grep -E "^([0-9]+:)?$pattern" || true)
    for v in $versions; do
        if (cd "$src/$1" && apt-get source -qq "$1=$v" >>"$deps/logs/fetch.log" 2>&1); then
            say "$1 $v"
            find "$src/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1
            return
        fi
        say "$1 $v cannot be fetched; trying the revision before it"
        rm -rf "${src:?}/$1" && mkdir -p "$src/$1"
    done
    say "no source of $1 ${upstream:-at any version} could be fetched (see $deps/logs/fetch.log)"
    exit 1
}
