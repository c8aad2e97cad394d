#!/usr/bin/env bash
# Times `lumbex capture --display 0 -o out.png` against other screenshot tools in one run, on a
# private 1920 × 1080 Xvfb screen showing a realistic desktop, and reports each tool's median
# wall time and file size. Peers that are not installed are skipped.
#
#   bench/capture_vs_peers.sh [BUILD_DIR] [RUNS]     (defaults: build/cc, 9)
set -euo pipefail

build=${1:-build/cc}
runs=${2:-9}
lumbex=$build/lumbex
desktop=$build/bench/bench_desktop_window
[[ -x $lumbex && -x $desktop ]] || {
    echo "build lumbex and bench_desktop_window in $build first" >&2
    exit 1
}

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and reports it once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1920x1080x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(head -1 "$work/display")"
export DISPLAY=$display HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work
mkdir -p "$work/config"

QT_QPA_PLATFORM=xcb "$desktop" >"$work/desktop.out" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/desktop.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$work/desktop.out" || { echo "the desktop window did not appear" >&2; exit 1; }

# median_ms CMD...: runs the command $runs times (after one warm-up run) and prints the median
# wall time in milliseconds. The command writes $work/out.png.
median_ms() {
    local times=()
    "$@" >/dev/null 2>&1 || return 1
    for _ in $(seq "$runs"); do
        rm -f "$work/out.png"
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || return 1
        end=$(date +%s%N)
        [[ -s $work/out.png ]] || return 1
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

report() {
    local name=$1
    shift
    local ms
    if ! ms=$(median_ms "$@"); then
        printf '%-34s failed\n' "$name"
        return
    fi
    printf '%-34s %6d ms %10d bytes\n' "$name" "$ms" "$(stat -c %s "$work/out.png")"
}

echo "1920 × 1080 Xvfb screen on $DISPLAY, median of $runs runs"
report "lumbex capture --display 0" "$lumbex" capture --display 0 -o "$work/out.png"
if command -v flameshot >/dev/null; then
    report "flameshot full -p" flameshot full -p "$work/out.png"
else
    echo "flameshot: not installed, skipped"
fi
if command -v ksnip >/dev/null; then
    report "ksnip -f -p" ksnip -f -p "$work/out.png"
else
    echo "ksnip: not installed, skipped"
fi
if command -v import >/dev/null; then
    report "import -window root" import -window root "$work/out.png"
else
    echo "import (ImageMagick): not installed, skipped"
fi

# In-process figures on the same screen: the grab paths and PNG levels.
if [[ -x $build/bench/capture_bench ]]; then
    "$build/bench/capture_bench" --benchmark_min_time=0.5 2>/dev/null | grep -E '^BM_'
fi
