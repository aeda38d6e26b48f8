# shellcheck shell=bash disable=SC2034  # variables are for the sourcing scripts
# Driving the real pellowick.exe under Wine, shared by scripts/demo.sh and tests/e2e:
# the Windows build, a private copy of the program inside the prefix, where its hot
# spots are on screen, hostsim's log read as a chat transcript, and screenshots.
# Source scripts/lib/wine.sh first.
#
#   pw_build_w32 pellowick hostsim pw_probe      configure once, then build targets
#   exe=$(pw_install_pellowick pwtest)           C:\pwtest\pellowick.exe
#   pw_start_pellowick "$exe"                    PW_PELLOWICK_PID
#   pw_click start; pw_wait_post LOG "$payload" 10
#
# Inputs: PW_BUILD_W32 (the cross build, default build/win32 in the checkout),
# PW_WIN_LEFT / PW_WIN_TOP (the main window's screen position, default 207, 77).

PW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
PW_BUILD_W32=${PW_BUILD_W32:-$PW_ROOT/build/win32}
PW_WIN_LEFT=${PW_WIN_LEFT:-207}
PW_WIN_TOP=${PW_WIN_TOP:-77}
PW_MAIN_CLASS=pellowick_frmMain

pw_pellowick_exe() { echo "$PW_BUILD_W32/platform/win32/pellowick.exe"; }
pw_hostsim_exe() { echo "$PW_BUILD_W32/hostsim/hostsim.exe"; }
pw_probe_exe() { echo "$PW_BUILD_W32/tests/e2e/pw_probe.exe"; }

# Configures the Release cross build when it has no cache yet, then builds the targets
# (quick when they are up to date). Output goes to $PW_BUILD_W32/pw-build.log.
pw_build_w32() {
    local log="$PW_BUILD_W32/pw-build.log"
    mkdir -p "$PW_BUILD_W32" || return 1
    if [[ ! -f "$PW_BUILD_W32/CMakeCache.txt" ]]; then
        cmake -S "$PW_ROOT" -B "$PW_BUILD_W32" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$PW_ROOT/cmake/mingw-w64-x86_64.cmake" >"$log" 2>&1 || {
            tail -n 30 "$log" >&2
            pw_fail "configuring the cross build in $PW_BUILD_W32 failed (log: $log)"
            return 1
        }
    fi
    local -a targets=()
    local t
    for t in "$@"; do targets+=(--target "$t"); done
    cmake --build "$PW_BUILD_W32" -j "$(nproc)" "${targets[@]}" >>"$log" 2>&1 || {
        tail -n 30 "$log" >&2
        pw_fail "building $* in $PW_BUILD_W32 failed (log: $log)"
        return 1
    }
}

# Runs the probe (see tests/e2e/probe/probe.cpp); its UTF-8 report goes to stdout.
pw_probe() { wine "$(pw_probe_exe)" "$@" </dev/null 2>/dev/null; }

# The value of KEY in a probe report (key=value lines).
pw_fact() { sed -n "s/^$2=//p" <<<"$1" | head -n 1; }

# Copies pellowick.exe into C:\FOLDER of the prefix and prints its Windows path. Its
# statistics file is read from that folder, so each caller controls what it finds.
pw_install_pellowick() {
    local folder=$1 exe
    exe=$(pw_pellowick_exe)
    [[ -f "$exe" ]] || pw_fail "no $exe: build the cross build first" || return 1
    mkdir -p "$WINEPREFIX/drive_c/$folder" && cp "$exe" "$WINEPREFIX/drive_c/$folder/" || return 1
    printf 'C:\\%s\\pellowick.exe\n' "$folder"
}

# Starts a pellowick.exe as a child of this shell; its process id is left in
# PW_PELLOWICK_PID (no output: call it directly, not inside $(...)).
pw_start_pellowick() {
    wine "$1" </dev/null >/dev/null 2>&1 &
    PW_PELLOWICK_PID=$!
}

# Waits until process pid has ended, for at most timeout_s seconds.
pw_wait_exit() {
    local pid=$1 deadline=$(($(pw_now_ms) + $(pw_seconds_to_ms "$2")))
    while pw_process_alive "$pid"; do
        (($(pw_now_ms) < deadline)) || return 1
        sleep 0.1
    done
}

# Ends a process that this script started, and waits for it (at most 10 s).
pw_stop_process() {
    [[ -n "${1:-}" ]] || return 0
    pw_process_alive "$1" || return 0
    kill "$1" 2>/dev/null
    pw_wait_exit "$1" 10 || kill -9 "$1" 2>/dev/null
}

# Screen position "X Y" of a spot of the main window: the hot spots of the title bar
# (menu, minimize, close), a plain stretch of it (title), the image buttons (start,
# stop). The title picture sits at client (10, 10); the buttons at (19, 41) and
# (19, 73), 64 x 23.
pw_spot() {
    local x y
    case "$1" in
        menu) x=18 y=19 ;;
        minimize) x=267 y=19 ;;
        close) x=285 y=19 ;;
        title) x=200 y=19 ;;
        start) x=51 y=52 ;;
        stop) x=51 y=84 ;;
        *) pw_fail "no spot named '$1'" || return 1 ;;
    esac
    echo "$((PW_WIN_LEFT + x)) $((PW_WIN_TOP + y))"
}

pw_click() {
    local xy
    xy=$(pw_spot "$1") || return 1
    # shellcheck disable=SC2086
    xdotool mousemove $xy click 1
}

# Drags with the left button from (x, y) by (dx, dy), in a few steps as a hand would.
pw_drag() {
    local x=$1 y=$2 dx=$3 dy=$4 step
    xdotool mousemove "$x" "$y" mousedown 1 || return 1
    for step in 1 2 3 4; do
        sleep 0.05
        xdotool mousemove $((x + dx * step / 4)) $((y + dy * step / 4))
    done
    sleep 0.05
    xdotool mouseup 1
}

# Opens the popup menu and picks an item with the keyboard, e.g. "Down Right Return"
# for statistics > scroll stats, "Up Return" for exit. The pointer moves off the menu
# first, so that no item is selected under it when the keys arrive.
pw_menu_keys() {
    pw_click menu || return 1
    sleep 0.3
    xdotool mousemove 900 740
    local key
    for key in "$@"; do
        sleep 0.15
        xdotool key "$key"
    done
}

# The payloads of hostsim's POST lines (escaped as in the log), one per line.
pw_posts() { awk -F '\t' '$2 == "POST" { print $4 }' "$1" 2>/dev/null; }

# Waits until the log has at least COUNT (default 1) POST lines with exactly this
# escaped payload, for at most timeout_s seconds.
pw_wait_post() {
    local log=$1 payload=$2 timeout_s=$3 count=${4:-1}
    local deadline=$(($(pw_now_ms) + $(pw_seconds_to_ms "$timeout_s")))
    until (($(pw_posts "$log" | grep -cFx -- "$payload") >= count)); do
        (($(pw_now_ms) < deadline)) || return 1
        sleep 0.1
    done
}

# Escaped log text on stdin (\\ and \xHH, bytes of code page 1252) as UTF-8 text.
pw_decode() {
    local line
    while IFS= read -r line; do
        printf '%b\n' "$line" | iconv -c -f CP1252 -t UTF-8
    done
}

# Reads hostsim log lines on stdin and prints each posted chat line as the room shows
# it: "room: text", decoded, markup removed.
pw_transcript() {
    local event target payload
    while IFS=$'\t' read -r _ event target payload; do
        [[ "$event" == POST ]] || continue
        printf '%s: %s\n' "${target#room:}" "$(pw_decode <<<"$payload" | sed -E 's/<[^>]*>//g')"
    done
}

# Screenshot of the whole screen, or of the part WxH+X+Y, as a PNG file.
pw_screenshot() {
    local out=$1 geometry=${2:-}
    import -window root "$out" 2>/dev/null || return 1
    [[ -z "$geometry" ]] || convert "$out" -crop "$geometry" +repage "$out"
}

# "R G B" (0-255) of pixel (x, y) of an image.
pw_pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+.5)] %[fx:int(255*p{$2,$3}.g+.5)] %[fx:int(255*p{$2,$3}.b+.5)]" info:
}

# True for the red of the title and bottom bars (any shade of it).
pw_is_red() { (($1 >= 80 && $1 >= 3 * $2 && $1 >= 3 * $3)); }

# True when the main window's bars show on screen where it stands, i.e. no other
# window covers it. Samples the title and bottom bars away from their text.
pw_main_visible() {
    local shot xy r g b
    shot=$(mktemp "${TMPDIR:-/tmp}/pw-shot.XXXXXX.png") || return 1
    if ! pw_screenshot "$shot" "305x135+$PW_WIN_LEFT+$PW_WIN_TOP"; then
        rm -f "$shot"
        return 1
    fi
    for xy in "150 12" "240 18" "100 112"; do
        # shellcheck disable=SC2086
        read -r r g b <<<"$(pw_pixel "$shot" $xy)"
        pw_is_red "$r" "$g" "$b" || {
            rm -f "$shot"
            return 1
        }
    done
    rm -f "$shot"
}
