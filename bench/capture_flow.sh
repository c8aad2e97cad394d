#!/usr/bin/env bash
# Times the road of "Capture and Explain" as a person takes it, on a private 1920 × 1080 Xvfb with
# openbox and a system tray (trayer): from choosing the command in the tray menu to the picker's
# overlay on the screen, and from releasing the mouse after dragging an area to the editor window
# showing the capture. Prints the median of each over RUNS tries.
#
#   bench/capture_flow.sh [BUILD_DIR] [RUNS]     (defaults: build/cc, 7)
set -euo pipefail

build=${1:-build/cc}
runs=${2:-7}
lumbex=$(realpath "$build/lumbex")
for tool in Xvfb openbox trayer xdotool xterm import compare; do
    command -v $tool >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1920x1080x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")" HOME=$work XDG_CONFIG_HOME=$work/config \
    XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
mkdir -p "$work/config/Lumbex"
printf '[General]\nhasSeenGettingStarted=true\n' >"$work/config/Lumbex/Lumbex.ini"

openbox --startup "touch $work/openbox-ready" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e $work/openbox-ready ]] && break; sleep 0.1; done
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --SetPartialStrut true >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
# Something to capture: a terminal with text where the area will be dragged.
xterm -geometry 100x30+260+160 -e bash -c 'ls -l /usr/lib | head -40; sleep 600' &
pids+=($!)
LUMBEX_DEBUG=1 "$lumbex" >"$work/lumbex.log" 2>&1 &
pids+=($!)
sleep 3
xdotool search --class trayer >/dev/null || { echo "trayer did not start" >&2; exit 1; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }
wait_for_window() { # NAME: returns once a window with that name exists (fails after 10 s)
    local deadline=$(($(now_ms) + 10000))
    until xdotool search --name "$1" >/dev/null 2>&1; do
        (($(now_ms) < deadline)) || { echo "no window named \"$1\"" >&2; tail -5 "$work/lumbex.log" >&2; exit 1; }
    done
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

tray=$(xdotool search --class trayer | tail -1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
icon_x=$((X + WIDTH - 12)) icon_y=$((Y + HEIGHT / 2))

for run in $(seq "$runs"); do
    xdotool mousemove $icon_x $icon_y click 3
    sleep 0.5
    # "Capture and Explain…" is the second item of the status menu (rows of about 22 pixels).
    for menu in $(xdotool search --onlyvisible --classname lumbex); do
        eval "$(xdotool getwindowgeometry --shell "$menu")"
        ((HEIGHT > 100)) && break
    done
    xdotool mousemove $((X + 60)) $((Y + 34))
    sleep 0.2
    [[ -z ${LUMBEX_MENU_SHOT:-} ]] || import -window root "$LUMBEX_MENU_SHOT"
    start=$(now_ms)
    xdotool click 1
    wait_for_window "Choose Capture Area"
    echo $(($(now_ms) - start)) >>"$work/overlay"
    sleep 0.3
    xdotool mousemove 300 200 mousedown 1 mousemove 700 450 mousemove 900 600
    sleep 0.2
    start=$(now_ms)
    xdotool mouseup 1
    wait_for_window "^Capture .* — Lumbex$"
    echo $(($(now_ms) - start)) >>"$work/editor"
    sleep 0.5
    xdotool key ctrl+w
    while xdotool search --name "^Capture .* — Lumbex$" >/dev/null 2>&1; do sleep 0.1; done
done

# The last capture must hold exactly the dragged area (300,200 to 900,600) of the screen.
note=$(ls -td "$work"/data/Lumbex/Notes/*.capturenote | head -1)
captured=$(ls "$note"/assets/*.png | head -1)
import -window root -crop 600x400+300+200 +repage "$work/expected.png"
differing=$(compare -metric AE "$captured" "$work/expected.png" null: 2>&1 || true)
echo "pixels differing from an import grab of the same area: $differing"
kill -0 "${pids[-1]}" 2>/dev/null || echo "lumbex exited: $(cat "$work/lumbex.log")" >&2
echo "tray menu → overlay visible: $(median <"$work/overlay") ms (median of $runs)"
echo "mouse release → editor with the capture: $(median <"$work/editor") ms (median of $runs)"
