#!/usr/bin/env bash
# The demo: builds pellowick.exe and hostsim (the stand-in chat client), runs both under
# Wine and plays a short idle period: start, one idle minute, stop, post the
# statistics, exit through the menu. The chat room's transcript is printed as it
# arrives. On your display when DISPLAY works, else in Xvfb; headless, it saves
# screenshots of both windows and prints their paths.
#
# PW_BUILD_W32  the cross build (default build/win32 in the checkout)
# PW_DEMO_OUT   where screenshots go (default /tmp/pellowick-demo)
# PW_DEMO_DPI   the display's DPI for Wine (LogPixels; default 96, 192 is 200 %)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/lib/deps.sh"
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/pellowick.sh"

out=${PW_DEMO_OUT:-${TMPDIR:-/tmp}/pellowick-demo}
dpi=${PW_DEMO_DPI:-96}
started=$(date +%s)
say() { printf 'demo: %s\n' "$*"; }
die() {
    printf 'demo: %s\n' "$*" >&2
    exit 1
}

pw_install_deps || die "cannot install what the demo needs"
say "building pellowick.exe and hostsim.exe in $PW_BUILD_W32 (the first time takes a minute or two)"
pw_build_w32 pellowick hostsim pw_probe pw_geometry || die "the build failed"
started=$(date +%s)   # the demo's own time starts here

headless=1
if [[ -n "${DISPLAY:-}" ]] && pw_display_answers; then
    headless=0
else
    unset DISPLAY
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pellowick-demo-run.XXXXXX")
follower=""
pellowick=""
hostsim=""
# shellcheck disable=SC2317  # run by the EXIT trap
cleanup() {
    [[ -n "$follower" ]] && kill "$follower" 2>/dev/null && wait "$follower" 2>/dev/null
    pw_stop_process "$pellowick"
    pw_stop_process "$hostsim"
    # A prefix that outlives the demo is left at 100 % (Wine is still up: its teardown
    # runs after this).
    if ((dpi != 96)) && [[ -n "${PW_WINEPREFIX:-}" && -f "$PW_WINEPREFIX/system.reg" ]]; then pw_set_dpi 96; fi
    rm -rf "$work"
}
trap cleanup EXIT

say "setting up Wine$( ((headless)) && echo ' and a virtual display (Xvfb)')"
# shellcheck disable=SC2119
pw_wine_session || die "cannot set up Wine and a display"
export PW_HOSTSIM
PW_HOSTSIM=$(pw_hostsim_exe)
((dpi == 96)) || pw_set_dpi "$dpi" || die "cannot set Wine's DPI to $dpi"
pw_load_geometry || die "cannot read the window's geometry"

# Prints the chat lines of the log as they arrive, until killed.
follow_transcript() {
    local log=$1 shown=0 total
    while :; do
        total=$(wc -l <"$log" 2>/dev/null || echo 0)   # whole lines only
        if ((total > shown)); then
            sed -n "$((shown + 1)),${total}p" "$log" | pw_transcript | sed 's/^/  [chat] /'
            shown=$total
        fi
        sleep 0.2
    done
}

wait_or_die() {  # pattern timeout what
    pw_wait_log_line "$log" "$1" "$2" 2>/dev/null || die "$3 did not come within $2 s"
}

# Clicks only what pellowick shows. When another window covers it (under Wine without
# a window manager the maximized client can end up above it), starting pellowick.exe
# again brings the running copy forward, as a user would.
ensure_on_top() {
    local xy owner
    xy=$(pw_spot "$1")
    # shellcheck disable=SC2086
    owner=$(pw_fact "$(pw_probe at $xy)" class)
    [[ "$owner" == "$PW_MAIN_CLASS" ]] && pw_main_visible && return 0
    say "pellowick's window is covered on screen (Wine without a window manager lets an activated window rise above a topmost one); starting it again brings it forward"
    pw_start_pellowick "$exe"
    pw_wait_exit "$PW_PELLOWICK_PID" 20 || die "the second start of pellowick.exe did not end"
    sleep 0.3
    # shellcheck disable=SC2086
    owner=$(pw_fact "$(pw_probe at $xy)" class)
    if [[ "$owner" != "$PW_MAIN_CLASS" ]] || ! pw_main_visible; then
        die "pellowick's window is still covered (by '$owner' at $xy)"
    fi
}

log="$work/host.log"
say "starting hostsim, the stand-in chat client, signed on as Tester in the room Lobby 1"
pw_start_hostsim "$log" "$work/host.ready" >/dev/null || die "hostsim did not start"
hostsim=$PW_HOSTSIM_PID
follow_transcript "$log" &
follower=$!

exe=$(pw_install_pellowick pellowick) || die "cannot copy pellowick.exe into the Wine prefix"
say "starting pellowick.exe; it posts 'loaded' into the room"
pw_start_pellowick "$exe"
pellowick=$PW_PELLOWICK_PID
wait_or_die 'POST\t.*<b>loaded</b>' 30 "the 'loaded' line"
pw_probe --wait 10000 window --class "$PW_MAIN_CLASS" >/dev/null || die "pellowick's window did not appear"
sleep 0.5

say "clicking start: the chat client is minimized and the idle clock runs (one minute)"
ensure_on_top start
pw_click start
wait_or_die 'POST\t.*now idle</b>' 15 "the 'now idle' line"
wait_or_die 'POST\t.*<b>idle</b>' 90 "the first 'idle' minute line"
if ((headless)); then
    mkdir -p "$out"
    pw_window_shot "$out/pellowick.png" || die "no screenshot"
fi

say "clicking stop: 'not idle', the idle time goes into the totals, the client is maximized"
ensure_on_top stop
pw_click stop
wait_or_die 'POST\t.*not idle</b>' 15 "the 'not idle' line"
wait_or_die 'SHOW\tframe\tmaximized' 10 "the maximized chat client"
sleep 0.5   # its repaint

say "menu > statistics > scroll stats: the lifetime totals go into the room"
ensure_on_top menu
pw_menu_keys Down Right Return
wait_or_die 'POST\t.*<b>d</b>' 15 "the totals line"
if ((headless)); then
    rect=$(pw_fact "$(pw_probe window --class 'AOL Frame25')" rect)
    read -r l t r b <<<"${rect:-0 0 1024 768}"
    read -r sw sh <<<"$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x\([0-9]*\).*/\1 \2/p')"
    ((l < 0)) && l=0
    ((t < 0)) && t=0
    ((r > sw)) && r=$sw
    ((b > sh)) && b=$sh
    pw_screenshot "$out/host.png" "$((r - l))x$((b - t))+$l+$t" || die "no screenshot"
fi

say "menu > exit: 'unloaded', and pellowick ends"
ensure_on_top menu
pw_menu_keys Up Return
wait_or_die 'POST\t.*unloaded</b>' 15 "the 'unloaded' line"
pw_wait_exit "$pellowick" 15 || die "pellowick did not end"
sleep 0.3   # the last transcript line
pellowick=""

if ((headless)); then
    say "screenshots: $out/pellowick.png (pellowick's window, idle) and $out/host.png (the chat client)"
fi
say "done in $(($(date +%s) - started)) s"
