# shellcheck shell=bash disable=SC2034  # variables are for the sourcing scripts
# Driving the real pellowick.exe under Wine, shared by scripts/demo.sh and tests/e2e:
# the Windows build, a private copy of the program inside the prefix, where its hot
# spots are on screen, hostsim's log read as a chat transcript, and screenshots.
# Source scripts/lib/wine.sh first.
#
#   pw_build_w32 pellowick hostsim pw_probe pw_geometry    configure once, then build targets
#   pw_load_geometry                             the window's pixels at Wine's DPI
#   exe=$(pw_install_pellowick pwtest)           C:\pwtest\pellowick.exe
#   pw_start_pellowick "$exe"                    PW_PELLOWICK_PID
#   pw_click start; pw_wait_post LOG "$payload" 10
#
# Inputs: PW_BUILD_W32 (the cross build, default build/win32 in the checkout),
# PW_PELLOWICK_EXE (the pellowick.exe to install, e.g. one unpacked from the release
# zip; default the cross build's).

PW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
PW_BUILD_W32=${PW_BUILD_W32:-$PW_ROOT/build/win32}
# The main window's class, as the build names it (read from CMakeLists.txt before the
# first configure).
PW_MAIN_CLASS=$(sed -nE 's/^set\(PW_MAIN_CLASS "(.*)"\)$/\1/p' "$PW_ROOT/CMakeLists.txt")
# shellcheck source=/dev/null
[[ ! -f "$PW_BUILD_W32/build_facts.sh" ]] || source "$PW_BUILD_W32/build_facts.sh"

pw_pellowick_exe() { echo "${PW_PELLOWICK_EXE:-$PW_BUILD_W32/platform/win32/pellowick.exe}"; }
pw_hostsim_exe() { echo "$PW_BUILD_W32/hostsim/hostsim.exe"; }
pw_probe_exe() { echo "$PW_BUILD_W32/tests/e2e/pw_probe.exe"; }
pw_geometry_exe() { echo "$PW_BUILD_W32/tests/e2e/pw_geometry.exe"; }

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
    [[ -n "${PW_GEOMETRY:-}" ]] || pw_load_geometry || return 1
    pw_start_wine PW_PELLOWICK_PID "$1"
}

# Waits until process pid has ended, for at most timeout_s seconds.
pw_wait_exit() { pw_wait_until "$2" pw__ended "$1"; }
pw__ended() { ! pw_process_alive "$1"; }

# Ends a process that this script started, and waits for it (at most 10 s).
pw_stop_process() {
    [[ -n "${1:-}" ]] || return 0
    pw_process_alive "$1" || return 0
    kill "$1" 2>/dev/null
    pw_wait_exit "$1" 10 || kill -9 "$1" 2>/dev/null
}

# Reads the main window's pixel geometry from pw_geometry (the real form definitions
# and layout rules) at the DPI Wine reports now (LogPixels). Sets PW_GEOMETRY
# (the report), PW_DPI, PW_PERCENT, PW_WIN_LEFT / PW_WIN_TOP (the design place; the
# callers move them with the window), PW_WIN_WIDTH / PW_WIN_HEIGHT. Call it directly,
# not inside $(...), and again after LogPixels changes.
pw_load_geometry() {
    local report
    report=$(wine "$(pw_geometry_exe)" </dev/null 2>/dev/null | tr -d '\r')
    [[ -n "$report" ]] || pw_fail "pw_geometry said nothing; build it first" || return 1
    PW_GEOMETRY=$report
    PW_DPI=$(pw_fact "$report" dpi)
    PW_PERCENT=$(pw_fact "$report" percent)
    read -r PW_WIN_LEFT PW_WIN_TOP _ <<<"$(pw_fact "$report" window)"
    read -r PW_WIN_WIDTH PW_WIN_HEIGHT <<<"$(pw_fact "$report" client)"
}

pw__geometry() {
    local value
    [[ -n "${PW_GEOMETRY:-}" ]] || pw_fail "no geometry: call pw_load_geometry first" || return 1
    value=$(pw_fact "$PW_GEOMETRY" "$1")
    [[ -n "$value" ]] || pw_fail "no $1 in the geometry" || return 1
    echo "$value"
}

# Screen position "X Y" of a spot of the main window: the hot spots of the title bar
# (menu, minimize, close), a plain stretch of it (title), the image buttons (start,
# stop).
pw_spot() {
    local x y
    read -r x y <<<"$(pw__geometry "spot.$1")" || return 1
    echo "$((PW_WIN_LEFT + x)) $((PW_WIN_TOP + y))"
}

# "LEFT TOP WIDTH HEIGHT" in client pixels of where a skin picture is drawn (title,
# bottom, start, stop).
pw_art_rect() { pw__geometry "art.$1"; }

# Client pixel "X Y" showing the pixel (AX, AY) of a skin picture as drawn at 100 %.
pw_art_point() {
    local left top
    read -r left top _ <<<"$(pw_art_rect "$1")" || return 1
    echo "$((left + (2 * $2 + 1) * PW_PERCENT / 200)) $((top + (2 * $3 + 1) * PW_PERCENT / 200))"
}

# Screenshot of the main window's client area where it stands.
pw_window_shot() { pw_screenshot "$1" "${PW_WIN_WIDTH}x${PW_WIN_HEIGHT}+$PW_WIN_LEFT+$PW_WIN_TOP"; }

# The colours the skin pictures are drawn with (#rrggbb, lower case), one a line, as
# art/make-art.sh defines them.
pw_art_palette() { sed -nE "s/^[a-z_]+='(#[0-9a-fA-F]{6})'.*/\1/p" "$PW_ROOT/art/make-art.sh" | tr 'A-F' 'a-f'; }

# The colours of the part WxH+X+Y of an image that are not in the skin's palette.
pw_foreign_colours() {
    convert "$1" -crop "$2" +repage -unique-colors -depth 8 txt:- 2>/dev/null |
        sed -nE 's/.*(#[0-9A-Fa-f]{6}).*/\1/p' | tr 'A-F' 'a-f' | grep -vxFf <(pw_art_palette)
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

# Gives pellowick's X window the keyboard focus. On bare Xvfb keys otherwise go where
# the focus was left: the host client's frame, or the root window once a copy that
# held it has ended, and Wine never sees them.
pw_focus_main_x() {
    local xwin
    xwin=$(xdotool search --onlyvisible --name '^pellowick v' 2>/dev/null | head -n 1)
    [[ -n "$xwin" ]] && xdotool windowfocus --sync "$xwin" 2>/dev/null
}

# Opens the popup menu and picks an item with the keyboard, e.g. "Down Right Return"
# for statistics > scroll stats, "Up Return" for exit.
pw_menu_keys() {
    pw_focus_main_x
    pw_click menu || return 1
    sleep 0.3
    pw_keys_to_menu "$@"
}

# Types keys into the open popup menu. On bare Xvfb the keyboard follows the pointer,
# so the pointer rests first on the right end of pellowick's bottom bar: over a Wine
# window, yet clear of the menu and its submenus, so no item is selected under it.
pw_keys_to_menu() {
    local left top width height
    read -r left top width height <<<"$(pw_art_rect bottom)" || return 1
    xdotool mousemove $((PW_WIN_LEFT + left + width - 12)) $((PW_WIN_TOP + top + height / 2))
    local key
    for key in "$@"; do
        sleep 0.15
        xdotool key "$key"
    done
}

# Gives the main window the keyboard without a click: makes it the foreground window
# (as Alt+Tab would; the host client takes it when it is maximized) and gives its X
# window the input focus, which on bare Xvfb stays with the host client's frame once
# Wine focused that. The pointer rests on the title bar, away from the tooltips.
pw_keyboard_to_main() {
    pw_probe --wait 5000 activate --class "$PW_MAIN_CLASS" || return 1
    pw_focus_main_x || return 1
    # shellcheck disable=SC2046
    xdotool mousemove $(pw_spot title)
    sleep 0.3
}

# Types keys, one at a time, e.g. "shift+F10 Down Right Return".
pw_keys() {
    local key
    for key in "$@"; do
        xdotool key "$key" || return 1
        sleep 0.15
    done
}

# The payloads of hostsim's POST lines (escaped as in the log), one per line.
pw_posts() { awk -F '\t' '$2 == "POST" { print $4 }' "$1" 2>/dev/null; }

# Waits until the log has at least COUNT (default 1) POST lines with exactly this
# escaped payload, for at most timeout_s seconds.
pw_wait_post() {
    pw_wait_until "$3" pw__has_posts "$1" "$2" "${4:-1}"
}
pw__has_posts() { (($(pw_posts "$1" | grep -cFx -- "$2") >= $3)); }

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
    if ! pw_window_shot "$shot"; then
        rm -f "$shot"
        return 1
    fi
    for xy in "$(pw_art_point title 140 2)" "$(pw_art_point title 230 8)" "$(pw_art_point bottom 90 4)"; do
        # shellcheck disable=SC2086
        read -r r g b <<<"$(pw_pixel "$shot" $xy)"
        pw_is_red "$r" "$g" "$b" || {
            rm -f "$shot"
            return 1
        }
    done
    rm -f "$shot"
}
