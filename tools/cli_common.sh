# The end-to-end scripts' common part: the programs, a fresh work folder,
# the locale, and the helpers that run the tool and check what it did.
# Sourced by a script called with ZELVORIN_CORRECT ZELVORIN_SAMPLE; NAME is
# its work folder's stem.
# With ZELVORIN_RUN set to a command that runs Windows programs ("wine",
# WINEPREFIX set), the programs are the Windows ones: paths go to them as
# Wine's drive Z: shows them, their output is read in the ANSI code page
# (932: the prefix's locale is Japanese, its messages English), the system's
# reasons are Windows' own, and the few cases that need what Windows has not
# (POSIX signals, FIFOs, devices, advisory locks) are skipped, saying why.
set -u
tool=$(realpath "$1")
sample=$(realpath "$2")
runner=${ZELVORIN_RUN:-}
work=$(mktemp -d "${TEST_TMPDIR:-${TMPDIR:-/tmp}}/${NAME:-zelvorin_cli}.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -n "$runner" ]; then
    unset LC_ALL
    export LANG=ja_JP.UTF-8 LC_MESSAGES=en_US.UTF-8 WINEDEBUG=-all
    missing="File not found."  # the system's reason for a missing file
    wineserver -p20  # one server for all the runs, lingering past a slow step between them
else
    export LC_ALL=C.UTF-8
    missing="No such file or directory"
fi
failures=0

# shown PATH: the path as the program names it; zc ARGS...: the program run
# on ARGS, absolute paths among them shown so.
shown() { if [ -n "$runner" ] && [[ $1 == /* ]]; then printf "Z:%s\n" "$1"; else printf "%s\n" "$1"; fi; }
zc() {
    local args=() arg
    for arg in "$@"; do args+=("$(shown "$arg")"); done
    $runner "$tool" "${args[@]}"
}
export -f shown zc
export tool runner

# decode: the last run's streams in UTF-8 with plain line ends, as they are
# read below.
decode() {
    [ -n "$runner" ] || return 0
    local stream
    for stream in out err; do
        { iconv -f CP932 -t UTF-8 "$work/$stream" 2>/dev/null || cat "$work/$stream"; } |
            tr -d '\r' >"$work/$stream.utf8"
        mv "$work/$stream.utf8" "$work/$stream"
    done
}

skip() { echo "skip $1: $2"; }

fail() {  # fail MESSAGE: records a failure, with the last run's streams
    echo "FAIL $1"
    echo "--- stdout:"; cat "$work/out"
    echo "--- stderr:"; cat "$work/err"
    failures=$((failures + 1))
}

# check NAME EXPECTED_STATUS STREAM EXPECTED_TEXT COMMAND...: runs COMMAND
# with its streams apart; STREAM (out or err) must hold EXPECTED_TEXT.
check() {
    local name=$1 want=$2 stream=$3 text=$4
    shift 4
    "$@" >"$work/out" 2>"$work/err"
    local status=$?
    decode
    if [ "$status" -ne "$want" ] || ! grep -qF -- "$text" "$work/$stream"; then
        fail "$name: status $status (want $want), '$text' wanted on std$stream"
    else
        echo "ok   $name"
    fi
}

# short_of_memory NAME STATUSES COMMAND...: runs COMMAND with 60 MB of
# address space: memory or threads running out must end it with one of
# STATUSES ("0 6 7"), a status its help lists, never with an uncaught
# exception. Skipped under Wine and under the sanitizers, whose runtime
# needs more address space than that.
short_of_memory() {
    local name=$1 statuses=$2
    shift 2
    if [ -n "$runner" ] || ldd "$1" 2>/dev/null | grep -qE 'lib[at]san'; then
        skip "$name" "a POSIX limit, without the sanitizers"
        return
    fi
    (ulimit -v 60000 && "$@") >/dev/null 2>"$work/err"
    local status=$?
    if [[ " $statuses " == *" $status "* ]] && ! grep -q "terminate called" "$work/err"; then
        echo "ok   $name: status $status"
    else
        fail "$name: status $status, $(tail -2 "$work/err")"
    fi
}

same_map() {  # same_map NAME MAP EXPECTED_MAP
    if cmp -s "$2" "$3"; then echo "ok   $1"; else fail "$1: the map is not as expected"; fi
}

