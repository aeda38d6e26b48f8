#!/usr/bin/env bash
# End-to-end tests: the real pellowick.exe against hostsim under Wine, clicked with
# xdotool, read back through hostsim's log, the statistics file, the probe and
# screenshots. Needs the cross build in $PW_BUILD_W32 (default build/win32 in the
# checkout); installs $PW_PELLOWICK_EXE when set. Uses the caller's Wine session
# (pw_wine_session) when there is one, else sets up its own Xvfb and prefix. Prints
# "ok - name" or "not ok - name: reason" per test and ends with "e2e: N passed, M failed".
#
#   tests/e2e/run.sh                every scenario, in the listed order
#   tests/e2e/run.sh NAME...        only these (each sets up what it needs)
#   tests/e2e/run.sh --list         the scenarios' names
set -uo pipefail

scenarios=(boxes startup art drag idle second scroll menu exitidle quit autoidle dpi144 dpi192 keys)
if [[ "${1:-}" == --list ]]; then
    printf '%s\n' "${scenarios[@]}"
    exit 0
fi
for name in "$@"; do
    [[ " ${scenarios[*]} " == *" $name "* ]] || {
        echo "run.sh: no scenario '$name'; the scenarios: ${scenarios[*]}" >&2
        exit 2
    }
done
(($# > 0)) && scenarios=("$@")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/lib/wine.sh"
source "$root/scripts/lib/pellowick.sh"

passed=0
failed=0
why=()
fail() { why+=("$*"); }
report() {
    if ((${#why[@]} == 0)); then
        echo "ok - $1"
        passed=$((passed + 1))
    else
        local reasons=${why[0]} r
        for r in "${why[@]:1}"; do reasons+="; $r"; done
        echo "not ok - $1: $reasons"
        failed=$((failed + 1))
    fi
    why=()
}
finish() {
    echo "e2e: $passed passed, $failed failed"
    exit $((failed > 0))
}

# --- Expected chat lines, escaped as hostsim logs them (the middle dot is \xB7) ------

# The version and the maker's link as this build has them.
# shellcheck source=/dev/null
source "$PW_BUILD_W32/build_facts.sh" || { echo "not ok - set-up: no build_facts.sh in $PW_BUILD_W32"; exit 1; }
link=${PW_MAKER_LINK//\\/\\\\}
opening="<font face=Tahoma color=#000000></b>|- <b>pellowick v.$PW_VERSION_TEXT</b> \\xB7 <b>< a href=$link></u>jom</a></b> -|- <b>"
counted() { printf '%s</b> \\xB7 %s -|\n' "$opening$1" "$2"; }
plain() { echo "$opening$1</b> -|"; }
totals() { echo "${opening}d</b>$1 <b>h</b>$2 <b>m</b>$3 <b>s</b>$4 -|"; }

# --- Helpers ---------------------------------------------------------------------------

# The last n chat lines as the room shows them, for failure messages.
recent() { pw_transcript <"$1" | tail -n "${2:-3}" | sed -E 's/^[^:]*: //' | paste -sd '|' -; }

# The posts after line n of the log (escaped, one per line), and a wait for one.
posts_after() { tail -n "+$(($2 + 1))" "$1" 2>/dev/null | pw_posts /dev/stdin; }
has_post_after() { posts_after "$1" "$2" | grep -qFx -- "$3"; }
wait_post_after() { pw_wait_until "$4" has_post_after "$1" "$2" "$3"; }
lines_of() { wc -l 2>/dev/null <"$1" || echo 0; }

# Waits until the main window is shown (the load pause comes first).
wait_visible() { pw_wait_until "$1" main_visible; }
main_visible() { [[ "$(pw_fact "$(pw_probe window --class "$PW_MAIN_CLASS")" visible)" == 1 ]]; }

# The host frame's SHOW events after line n of the log, in order, on one line.
frame_events() { tail -n "+$(($2 + 1))" "$1" | awk -F '\t' '$2 == "SHOW" { print $4 }' | paste -sd ' ' -; }
frame_events_are() { [[ "$(frame_events "$1" "$2")" == "$3" ]]; }
post_count_after_at_least() { (($(posts_after "$1" "$2" | wc -l) >= $3)); }

# Which top-level window is at a spot of ours (class), so a click that cannot reach
# pellowick says why.
spot_owner() {
    local xy
    xy=$(pw_spot "$1")
    # shellcheck disable=SC2086
    pw_fact "$(pw_probe at $xy)" class
}

# Windows must see pellowick at the spot. What the X server draws is only noted: Wine
# without a window manager raises another program's activated window above a topmost
# one on screen, and then X hands clicks to that window.
require_on_top() {
    local owner
    owner=$(spot_owner "$1")
    if [[ "$owner" != "$PW_MAIN_CLASS" ]]; then
        fail "the $1 spot at ($(pw_spot "$1")) belongs to '$owner', not pellowick: the window is not on top"
        return 1
    fi
    pw_main_visible || echo "# note: on screen another window covers pellowick's window (X stacking under Wine)"
}

is_grey() {
    local lo=$1 hi=$1 c
    for c in "$2" "$3"; do
        ((c < lo)) && lo=$c
        ((c > hi)) && hi=$c
    done
    ((hi - lo <= 16 && lo >= 100 && hi <= 245))
}

# Total seconds of a statistics file's values, d h m s.
seconds_of() { echo $((10#$1 * 86400 + 10#$2 * 3600 + 10#$3 * 60 + 10#$4)); }

# The four values of a statistics file as "s m h d" when it has exactly the [Stats]
# section and the four keys in the order Seconds, Minutes, Hours, Days (and the save's
# generation, the saves it includes and their runs' counts); else a reason.
read_stats() {
    local body
    body=$(tr -d '\r' <"$1" 2>/dev/null | grep -v '^$') || { echo "cannot read $1"; return 1; }
    local re='^\[Stats\]
Seconds=([0-9]{2,})
Minutes=([0-9]{2,})
Hours=([0-9]{2,})
Days=([0-9]{2,})(
Generation=[1-9][0-9]*
Includes=[^
]+
Counted=[^
]*)?$'
    [[ "$body" =~ $re ]] || { echo "holds '$(paste -sd '|' - <<<"$body")'"; return 1; }
    echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
}

file_state() {
    local f
    for f in "$@"; do
        if [[ -e "$f" ]]; then
            echo "$f $(stat -c '%y %s' "$f") $(md5sum <"$f")"
        else
            echo "$f absent"
        fi
    done
}

# --- Session ---------------------------------------------------------------------------

for exe in "$(pw_pellowick_exe)" "$(pw_hostsim_exe)" "$(pw_probe_exe)" "$(pw_geometry_exe)"; do
    if [[ ! -f "$exe" ]]; then
        echo "not ok - set-up: no $exe; build the cross build in PW_BUILD_W32=$PW_BUILD_W32 first"
        failed=1
        finish
    fi
done
export PW_HOSTSIM
PW_HOSTSIM=$(pw_hostsim_exe)

work=$(mktemp -d "${TMPDIR:-/tmp}/pw-e2e.XXXXXX")
pids=()
# shellcheck disable=SC2317  # run by the EXIT trap
cleanup() {
    local pid
    for pid in "${pids[@]}"; do pw_stop_process "$pid"; done
    if ((failed == 0)); then rm -rf "$work"; else echo "e2e: logs and screenshots kept in $work" >&2; fi
}
trap cleanup EXIT

if [[ -n "${PW_WINE_READY:-}" && "$PW_WINE_READY" == "${WINEPREFIX:-}" && -n "${DISPLAY:-}" ]]; then
    pw_wine_env
else
    unset DISPLAY   # a private Xvfb: the clicks must not land on someone's desktop
    # shellcheck disable=SC2119
    pw_wine_session || { echo "not ok - set-up: no Wine session"; failed=1; finish; }
fi
if pw_probe window --class "$PW_MAIN_CLASS" >/dev/null; then
    echo "not ok - set-up: a pellowick window already exists in this Wine session"
    failed=1
    finish
fi
drive_c="$WINEPREFIX/drive_c"
pw_load_geometry || { echo "not ok - set-up: no window geometry from pw_geometry"; failed=1; finish; }

# Starts hostsim as a child of this shell; its process id is in PW_HOSTSIM_PID.
start_hostsim() {  # log ready [options]
    pw_start_hostsim "$@" >/dev/null || return 1
    pids+=("$PW_HOSTSIM_PID")
}
# --- "Haulted!" boxes: no host client, then a host client nobody is signed on to -----

# Expects the message box TITLE to show TEXT (CR LF written \r\n), ICON and BUTTONS,
# then answers it with ANSWER and expects it gone.
expect_box() {  # title text icon buttons answer
    local title=$1 report_text
    if ! report_text=$(pw_probe --wait 10000 msgbox "$title"); then
        fail "no '$title' box within 10 s"
        return 1
    fi
    local fact want key
    for key in text icon buttons; do
        case $key in text) want=$2 ;; icon) want=$3 ;; buttons) want=$4 ;; esac
        fact=$(pw_fact "$report_text" "$key")
        [[ "$fact" == "$want" ]] || fail "the '$title' box's $key is '$fact', expected '$want'"
    done
    pw_probe press "$title" "$5"
    pw_probe --wait 5000 gone --title "$title" || fail "the '$title' box stayed open after $5 was pressed"
}

box_after_start() {
    pw_click start
    expect_box 'Haulted!' "$1" stop ok ok
}

test_haulted_boxes() {
    local exe pid log="$work/host-signed-out.log" hs=""
    no_host_client
    if exe=$(pw_install_pellowick pwbox); then
        pw_start_pellowick "$exe"
        pid=$PW_PELLOWICK_PID
        pids+=("$pid")
    fi
    if [[ -z "${pid:-}" ]] || ! wait_visible 30; then
        fail "pellowick's window was not shown within 30 s"
        report "start without a host client shows 'Please load America Online'"
        fail "not run: pellowick did not start"
        report "start while signed out shows 'Please sign onto America Online'"
        return
    fi
    box_after_start "Please load America Online and try again."
    report "start without a host client shows 'Please load America Online'"

    if start_hostsim "$log" "$work/host-signed-out.ready" --signed-out; then
        hs=$PW_HOSTSIM_PID
        box_after_start "Please sign onto America Online and try again."
        local acted
        acted=$(awk -F '\t' '$2 == "SHOW" || $2 == "POST" || $2 == "LINK"' "$log")
        [[ -z "$acted" ]] || fail "the host client was acted on: $(paste -sd '|' - <<<"$acted")"
    else
        fail "hostsim --signed-out did not start"
    fi
    report "start while signed out shows 'Please sign onto America Online'"

    pw_click close
    pw_wait_exit "$pid" 15 || pw_stop_process "$pid"
    pw_stop_process "$hs"
}

# --- The main run: pellowick in C:\pwtest against hostsim signed on in a chat room ----
# Each scenario sets up what it needs through these. What an earlier scenario left is
# used when it is in the needed state, so that in order they cost no extra starts.

log="$work/host.log"
exe=""
main_pid=""
host_pid=""
run_from=0           # the log's line count when the running copy was started
seed=(50 59 23 02)   # seconds minutes hours days: the first idle minute carries into days
stats_in_folder="$drive_c/pwtest/pwick.dat"

main_alive() { [[ -n "$main_pid" ]] && pw_process_alive "$main_pid"; }

# The window's place as it stands now (a drag may have moved it).
follow_window() {
    local rect
    rect=$(pw_fact "$(pw_probe window --class "$PW_MAIN_CLASS")" rect)
    [[ -z "$rect" ]] || read -r PW_WIN_LEFT PW_WIN_TOP _ <<<"$rect"
}

# Ends the main run's pellowick as a quit message from outside does.
close_main() {
    if main_alive; then
        pw_probe quit --class "$PW_MAIN_CLASS" >/dev/null
        pw_wait_exit "$main_pid" 15 || pw_stop_process "$main_pid"
    fi
    main_pid=""
}

# No host client and no pellowick of the main run.
no_host_client() {
    close_main
    pw_stop_process "$host_pid"
    host_pid=""
}

# Starts pellowick in the main run (and its host client when it is not running), and
# waits for its "loaded" line and its window.
start_main() {
    close_main
    if [[ -z "$host_pid" ]] || ! pw_process_alive "$host_pid"; then
        start_hostsim "$log" "$work/host.ready" || { fail "hostsim did not start"; return 1; }
        host_pid=$PW_HOSTSIM_PID
    fi
    exe=$(pw_install_pellowick pwtest) || { fail "cannot copy pellowick.exe into the prefix"; return 1; }
    run_from=$(lines_of "$log")
    pw_start_pellowick "$exe"
    main_pid=$PW_PELLOWICK_PID
    pids+=("$main_pid")
    wait_post_after "$log" "$run_from" "$(plain loaded)" 30 || {
        fail "no exact 'loaded' line within 30 s (room shows: '$(recent "$log")')"
        return 1
    }
    wait_visible 15 || { fail "the window was not shown within 15 s"; return 1; }
    follow_window
}

# A copy just started with the seed totals: it has posted only "loaded", saved nothing,
# not acted on the host client and not moved.
fresh_main() {
    if main_alive && [[ ! -e "$drive_c/pwick.dat" ]] &&
        [[ "$(tail -n "+$((run_from + 1))" "$log" | awk -F '\t' '$2 == "POST" || $2 == "SHOW" { print $2 }' | paste -sd ' ' -)" == POST ]] &&
        [[ "$(pw_fact "$(pw_probe window --class "$PW_MAIN_CLASS")" rect)" == "$(pw_fact "$PW_GEOMETRY" window)" ]]; then
        follow_window
        return 0
    fi
    close_main
    printf '[Stats]\r\nSeconds=%s\r\nMinutes=%s\r\nHours=%s\r\nDays=%s\r\n' "${seed[@]}" >"$drive_c/pwick.dat"
    rm -f "$stats_in_folder"
    start_main
}

# A running copy (a fresh one when there is none), not idle, shown where the scenario
# clicks. A copy covered on screen is brought forward by a second start, as a user
# would.
main_running() {
    local posts
    posts=$(posts_after "$log" "$run_from")
    if ! main_alive || (($(grep -c 'now idle</b>' <<<"$posts") != $(grep -c 'not idle</b>' <<<"$posts"))); then
        fresh_main || return 1
    fi
    follow_window
    if ! pw_main_visible; then
        pw_start_pellowick "$exe"
        pw_wait_exit "$PW_PELLOWICK_PID" 20 || pw_stop_process "$PW_PELLOWICK_PID"
        sleep 0.5
    fi
}

# The totals last saved, "s m h d": c:\pwick.dat, else the copy in the program's folder.
saved_totals() {
    if [[ -e "$drive_c/pwick.dat" ]]; then read_stats "$drive_c/pwick.dat"; else read_stats "$stats_in_folder"; fi
}

# Fails the given tests with one reason (their scenario could not be set up).
not_run() {
    local reason=$1 name
    shift
    for name in "$@"; do
        fail "$reason"
        report "$name"
    done
}

test_start_up() {
    local name="start-up: loaded line, window place, size, title, topmost"
    fresh_main || { report "$name"; return; }
    [[ "$(posts_after "$log" "$run_from" | head -n 1)" == "$(plain loaded)" ]] ||
        fail "'loaded' is not the first line posted (room shows: '$(recent "$log" 5)')"
    local facts
    facts=$(pw_probe window --class "$PW_MAIN_CLASS")
    local title rect client topmost
    title=$(pw_fact "$facts" title)
    rect=$(pw_fact "$facts" rect)
    client=$(pw_fact "$facts" client)
    topmost=$(pw_fact "$facts" topmost)
    [[ "$title" == "pellowick v.$PW_VERSION_TEXT · jom" ]] || fail "title is '$title'"
    local want_rect want_client="$PW_WIN_WIDTH $PW_WIN_HEIGHT"
    want_rect=$(pw_fact "$PW_GEOMETRY" window)
    [[ "$rect" == "$want_rect" ]] || fail "window rectangle is ($rect), expected ($want_rect)"
    [[ "$client" == "$want_client" ]] || fail "client area is $client, expected $want_client"
    [[ "$topmost" == 1 ]] || fail "the window is not topmost (WS_EX_TOPMOST not set)"
    report "start-up: loaded line, window place, size, title, topmost"
}


check_art() {
    local shot=$1 active=$2 sample x y what r g b
    for sample in "140 2 title" "230 8 title" "190 16 title" "90 4 bottom" "240 10 bottom"; do
        read -r x y what <<<"$sample"
        read -r x y <<<"$(pw_art_point "$what" "$x" "$y")"
        read -r r g b <<<"$(pw_pixel "$shot" "$x" "$y")"
        pw_is_red "$r" "$g" "$b" || echo "pixel ($x,$y) of the $what bar is $r,$g,$b, not red"
    done
    local start_light=0 stop_light=0
    for sample in "3 3 start" "57 15 start" "3 3 stop" "57 15 stop"; do
        read -r x y what <<<"$sample"
        read -r x y <<<"$(pw_art_point "$what" "$x" "$y")"
        read -r r g b <<<"$(pw_pixel "$shot" "$x" "$y")"
        is_grey "$r" "$g" "$b" || echo "pixel ($x,$y) of the $what button is $r,$g,$b, not grey"
        if [[ $what == start ]]; then start_light=$((start_light + r)); else stop_light=$((stop_light + r)); fi
    done
    if [[ $active == start ]] && ((start_light <= stop_light)); then
        echo "the start face is not lighter than the stop face (start should be up, stop down)"
    elif [[ $active == stop ]] && ((stop_light <= start_light)); then
        echo "the stop face is not lighter than the start face (stop should be up, start down)"
    fi
}

# A few tries: the first paint may still be on its way.
expect_art() {
    local name=$1 active=$2 problems
    for _ in 1 2 3; do
        pw_window_shot "$work/$name.png" || {
            problems="no screenshot"
            continue
        }
        problems=$(check_art "$work/$name.png" "$active")
        [[ -z "$problems" ]] && return 0
        sleep 0.5
    done
    fail "$(paste -sd ';' - <<<"$problems") (see $work/$name.png)"
}

test_art() {
    if ! main_running; then
        not_run "pellowick is not running" "window art: red title and bottom bars, grey start and stop faces" \
            "window art at 100 %: every pixel of the pictures is one of the art's colours"
        return
    fi
    expect_art window-at-start start
    report "window art: red title and bottom bars, grey start and stop faces"
    local problems
    problems=$(check_art_colours "$work/window-at-start.png")
    [[ -z "$problems" ]] || fail "$(paste -sd ';' - <<<"$problems") (see $work/window-at-start.png)"
    report "window art at 100 %: every pixel of the pictures is one of the art's colours"
}

# Drags the title bar by (dx, dy) and expects the window to move exactly as far.
drag_by() {
    local dx=$1 dy=$2 xy facts rect
    xy=$(pw_spot title)
    local want="$((PW_WIN_LEFT + dx)) $((PW_WIN_TOP + dy)) $((PW_WIN_LEFT + dx + PW_WIN_WIDTH)) $((PW_WIN_TOP + dy + PW_WIN_HEIGHT))"
    # shellcheck disable=SC2086
    pw_drag $xy "$dx" "$dy"
    local deadline=$(($(pw_now_ms) + 3000))
    while :; do
        rect=$(pw_fact "$(pw_probe window --class "$PW_MAIN_CLASS")" rect)
        [[ "$rect" == "$want" ]] && break
        (($(pw_now_ms) < deadline)) || break
        sleep 0.1
    done
    [[ "$rect" == "$want" ]] || fail "after a drag by ($dx,$dy) the window is at ($rect), expected ($want)"
    read -r PW_WIN_LEFT PW_WIN_TOP _ <<<"$rect"   # later clicks follow the window
}

test_drag() {
    if main_running; then
        drag_by 37 23
        drag_by -37 -23
    fi
    report "title-bar drag moves the window as far as the pointer"
}

# Dark dots of a focus rectangle along the top of the stop face (client row 76, inside
# the picture's border) in a screenshot of the window.
focus_dots() {
    convert "$1" -crop 54x1+24+76 +repage -colorspace gray txt:- 2>/dev/null | tail -n +2 |
        sed -n 's/.*gray(\([0-9.]*\)).*/\1/p' | awk '$1 + 0 < 100 { n++ } END { print n + 0 }'
}

test_idle_minute() {
    local name="idle minute: now idle · 0, idle · 1, not idle · 1; host minimized, then maximized"
    local on_top="pellowick stays on top of the maximized host client"
    local saved="statistics file at stop: [Stats] Seconds, Minutes, Hours, Days with the idle period added"
    if ! fresh_main; then
        report "$name"
        not_run "pellowick did not start with the seed totals" "$on_top" "$saved"
        return
    fi
    local show dots
    pw_click start
    wait_post_after "$log" "$run_from" "$(counted 'now idle' 0)" 15 ||
        fail "no 'now idle · 0' within 15 s of start (room shows: '$(recent "$log")')"
    show=$(frame_events "$log" "$run_from")
    [[ "$show" == minimized ]] || fail "host frame events after start: '$show', expected 'minimized'"
    expect_art window-idle stop
    dots=$(focus_dots "$work/window-idle.png")
    ((dots <= 2)) || fail "a focus rectangle shows after mouse clicks only ($dots dots; see $work/window-idle.png)"

    if ! wait_post_after "$log" "$run_from" "$(counted idle 1)" 100; then
        fail "no 'idle · 1' within 100 s (room shows: '$(recent "$log")')"
    fi
    pw_click stop
    wait_post_after "$log" "$run_from" "$(counted 'not idle' 1)" 15 ||
        fail "no 'not idle · 1' within 15 s of stop (room shows: '$(recent "$log")')"
    pw_wait_until 10 frame_events_are "$log" "$run_from" "minimized maximized" ||
        fail "host frame events: '$(frame_events "$log" "$run_from")', expected 'minimized maximized'"

    local got want
    got=$(posts_after "$log" "$run_from" | head -n 4)
    want=$(printf '%s\n' "$(plain loaded)" "$(counted 'now idle' 0)" "$(counted idle 1)" "$(counted 'not idle' 1)")
    [[ "$got" == "$want" ]] ||
        fail "the first four lines are not loaded, now idle · 0, idle · 1, not idle · 1 (room shows: '$(recent "$log" 4)')"
    report "$name"

    sleep 0.5   # the host client's repaint
    require_on_top menu
    report "$on_top"

    local values s m h d added
    if ! values=$(read_stats "$drive_c/pwick.dat"); then
        fail "c:\\pwick.dat $values"
    else
        read -r s m h d <<<"$values"
        added=$(($(seconds_of "$d" "$h" "$m" "$s") - $(seconds_of "${seed[3]}" "${seed[2]}" "${seed[1]}" "${seed[0]}")))
        ((added >= 60 && added < 120)) ||
            fail "the totals grew by $added s, not by the idle minute and a few seconds (file: $d d $h h $m m $s s)"
        ((10#$s < 60 && 10#$m < 60 && 10#$h < 24)) || fail "a total did not carry: $d d $h h $m m $s s"
    fi
    report "$saved"
}

test_second_copy() {
    local name="a second copy exits, posts nothing and leaves the statistics file alone"
    main_alive || start_main || { report "$name"; return; }
    local files=("$drive_c/pwick.dat" "$stats_in_folder") before after lines second
    before=$(file_state "${files[@]}")
    lines=$(lines_of "$log")
    pw_start_pellowick "$exe"
    second=$PW_PELLOWICK_PID
    pids+=("$second")
    pw_wait_exit "$second" 20 || {
        fail "the second copy still runs after 20 s"
        pw_stop_process "$second"
    }
    sleep 0.5   # anything it had sent would be logged by now
    after=$(file_state "${files[@]}")
    [[ "$before" == "$after" ]] || fail "a statistics file changed: before '$before', after '$after'"
    local extra
    extra=$(tail -n "+$((lines + 1))" "$log" | cut -f 2,3 | paste -sd '|' -)
    [[ -z "$extra" ]] || fail "hostsim received events from it: $extra"
    pw_process_alive "$main_pid" || fail "the first copy ended"
    main_visible || fail "the first copy's window is gone or hidden"
    report "$name"
}

test_scroll_stats() {
    local name="menu > statistics > scroll stats posts the statistics and the totals lines"
    local values s m h d mark
    main_running || { report "$name"; return; }
    if ! values=$(saved_totals); then
        fail "the saved statistics file $values"
    elif require_on_top menu; then
        read -r s m h d <<<"$values"
        mark=$(lines_of "$log")
        pw_menu_keys Down Right Return   # statistics > scroll stats
        if ! wait_post_after "$log" "$mark" "$(plain statistics)" 10; then
            fail "no 'statistics' line within 10 s (room shows: '$(recent "$log")')"
        else
            pw_wait_until 10 post_count_after_at_least "$log" "$mark" 2
            [[ "$(posts_after "$log" "$mark")" == "$(plain statistics)"$'\n'"$(totals "$d" "$h" "$m" "$s")" ]] ||
                fail "expected the statistics line, then the saved totals (d $d h $h m $m s $s); room shows: '$(recent "$log" 2)'"
        fi
    fi
    report "$name"
}

# The two boxes of the menu, as the user sees them; "No" keeps the totals.
test_menu_boxes() {
    local name="menu boxes: clear stats asks (stop icon, Yes/No), updates shows the history (information icon)"
    main_running || { report "$name"; return; }
    # As the probe reports it: CR and LF written \r and \n, tabs as they are.
    local t=$'\t' history
    history="$t$t     - Version Updates -\\r\\n\\r\\n"
    history+="version 1.51:$t- major bug fixed with the chat recognizing and such. - fixed\\r\\n"
    history+="released: 08.10.00\\r\\n\\r\\n"
    history+="version 1.5:$t- chat and idle without your text being trashed ever again.\\r\\n"
    history+="released: 08.08.00$t- win2k can now move the form around the screen. - api fixed\\r\\n\\r\\n"
    history+="version 1:\\r\\nreleased: 07.15.00"
    local before
    local before
    before=$(saved_totals)
    if require_on_top menu; then
        pw_menu_keys Down Right Down Return   # statistics > clear stats
        expect_box 'Delete Statistics?' "Are you sure you want to clear your statistics?" stop "yes no" no
        sleep 0.3
        [[ "$(saved_totals)" == "$before" ]] || fail "answering No changed the saved totals"
        pw_menu_keys Down Down Return   # updates
        expect_box 'Updates!' "$history" information ok ok
        sleep 0.3
        [[ "$(pw_fact "$(pw_probe window --class "$PW_MAIN_CLASS")" topmost)" == 1 ]] ||
            fail "the window is not topmost again after the version history"
    fi
    report "$name"
}

test_close_while_idle() {
    local name="menu > exit while idle posts 'not idle' then 'unloaded' and ends the program"
    main_running || { report "$name"; return; }
    local mark
    mark=$(lines_of "$log")
    if require_on_top start; then
        pw_click start
        if ! wait_post_after "$log" "$mark" "$(counted 'now idle' 0)" 15; then
            fail "no 'now idle · 0' within 15 s of start"
        else
            pw_menu_keys Up Return   # exit
            wait_post_after "$log" "$mark" "$(plain unloaded)" 15 || fail "no 'unloaded' within 15 s of menu > exit"
            local got want
            got=$(posts_after "$log" "$mark")
            want=$(printf '%s\n' "$(counted 'now idle' 0)" "$(counted 'not idle' 0)" "$(plain unloaded)")
            [[ "$got" == "$want" ]] ||
                fail "after menu > exit expected 'not idle · 0' then 'unloaded', room shows: '$(recent "$log" 3)'"
            pw_wait_exit "$main_pid" 15 || fail "pellowick still runs 15 s after menu > exit"
            pw_probe gone --class "$PW_MAIN_CLASS" || fail "pellowick's window is still there"
        fi
    fi
    report "$name"
}

# A quit message posted from outside is a close: the totals are saved and "unloaded"
# is posted before the program ends.
test_quit_from_outside() {
    local name="a quit message from outside saves the totals, posts 'unloaded' and ends the program"
    main_running || { report "$name"; return; }
    local before after mark
    before=$(tr -d '\r' 2>/dev/null <"$drive_c/pwick.dat" | sed -n 's/^Generation=//p')
    mark=$(lines_of "$log")
    pw_probe quit --class "$PW_MAIN_CLASS" || fail "the probe found no window to post the quit to"
    wait_post_after "$log" "$mark" "$(plain unloaded)" 15 || fail "no 'unloaded' within 15 s of the quit message"
    pw_wait_exit "$main_pid" 15 || fail "pellowick still runs 15 s after the quit message"
    after=$(tr -d '\r' 2>/dev/null <"$drive_c/pwick.dat" | sed -n 's/^Generation=//p')
    ((${after:-0} > ${before:-0})) || fail "no save at the quit: generation ${before:-none}, then ${after:-none}"
    pw_stop_process "$main_pid"
    report "$name"
}

# --- At 150 % and 200 %: the display scale set with LogPixels -----------------------

# Every pixel of the window's pictures must be one of the art's own colours: drawn at
# the scale or enlarged by repeating pixels, never blended. Prints what is not.
check_art_colours() {
    local shot=$1 art left top w h foreign
    for art in title bottom start stop; do
        read -r left top w h <<<"$(pw_art_rect "$art")"
        foreign=$(pw_foreign_colours "$shot" "${w}x${h}+$left+$top" | head -n 5 | paste -sd ' ' -)
        [[ -z "$foreign" ]] || echo "the $art picture holds colours not in the art: $foreign"
    done
}

test_scaled_display() {
    local dpi=$1
    local name="at $dpi DPI: window size, art colours; menu, start, stop and close by their hot spots"
    local slog="$work/host-$dpi.log" pid="" hs="" facts want problems exe
    no_host_client
    if ! pw_set_dpi "$dpi" || ! pw_load_geometry || [[ "$PW_DPI" != "$dpi" ]]; then
        fail "Wine does not report $dpi DPI after LogPixels was set (it reports ${PW_DPI:-nothing})"
    elif ! start_hostsim "$slog" "$work/host-$dpi.ready"; then
        fail "hostsim did not start"
    else
        hs=$PW_HOSTSIM_PID
        exe=$(pw_install_pellowick "pwdpi$dpi") && pw_start_pellowick "$exe" && pid=$PW_PELLOWICK_PID
        pids+=("$pid")
        if ! pw_wait_post "$slog" "$(plain loaded)" 30 || ! wait_visible 15; then
            fail "pellowick did not load and show its window within 45 s"
        else
            facts=$(pw_probe window --class "$PW_MAIN_CLASS")
            want="$(((305 * dpi + 48) / 96)) $(((135 * dpi + 48) / 96))"
            [[ "$(pw_fact "$facts" client)" == "$want" ]] ||
                fail "client area is $(pw_fact "$facts" client), expected $want"
            [[ "$(pw_fact "$facts" rect)" == "$(pw_fact "$PW_GEOMETRY" window)" ]] ||
                fail "window rectangle is ($(pw_fact "$facts" rect)), expected ($(pw_fact "$PW_GEOMETRY" window))"
            expect_art "dpi$dpi-start" start
            problems=$(check_art_colours "$work/dpi$dpi-start.png")
            [[ -z "$problems" ]] || fail "$(paste -sd ';' - <<<"$problems") (see $work/dpi$dpi-start.png)"

            pw_click menu
            local menu x y mx my
            if menu=$(pw_probe --wait 3000 window --class '#32768'); then
                read -r x y <<<"$(pw_fact "$PW_GEOMETRY" popup)"
                read -r mx my _ <<<"$(pw_fact "$menu" rect)"
                [[ "$mx $my" == "$((PW_WIN_LEFT + x)) $((PW_WIN_TOP + y))" ]] ||
                    fail "the popup menu opened at ($mx $my), expected ($((PW_WIN_LEFT + x)) $((PW_WIN_TOP + y)))"
                # A click beside the menu closes it (Esc does not reach it here on bare Xvfb).
                xdotool mousemove 900 740 click 1
                pw_probe --wait 3000 gone --class '#32768' || fail "a click beside the popup menu did not close it"
            else
                fail "no popup menu after a click on the menu spot"
            fi

            pw_click start
            if pw_wait_post "$slog" "$(counted 'now idle' 0)" 15; then
                expect_art "dpi$dpi-idle" stop
                pw_click stop
                pw_wait_post "$slog" "$(counted 'not idle' 0)" 15 || fail "no 'not idle · 0' after a click on stop"
            else
                fail "no 'now idle · 0' after a click on start"
            fi
            # The maximized host client may now cover the window on screen: a second
            # start brings the first copy forward.
            pw_start_pellowick "$exe"
            pw_wait_exit "$PW_PELLOWICK_PID" 20 || pw_stop_process "$PW_PELLOWICK_PID"
            sleep 0.5
            pw_click close
            pw_wait_post "$slog" "$(plain unloaded)" 15 || fail "no 'unloaded' after a click on close"
            pw_wait_exit "$pid" 15 || fail "pellowick still runs 15 s after close"
        fi
    fi
    pw_stop_process "$pid"
    pw_stop_process "$hs"
    pw_set_dpi 96
    pw_load_geometry
    report "$name"
}

# --- Keyboard only: a second run, never clicked --------------------------------------

test_keyboard() {
    local klog="$work/host-keys.log" kexe kpid hs=""
    no_host_client
    read -r PW_WIN_LEFT PW_WIN_TOP _ <<<"$(pw_fact "$PW_GEOMETRY" window)"   # where a new run stands
    if ! start_hostsim "$klog" "$work/host-keys.ready"; then
        fail "hostsim did not start"
    elif ! kexe=$(pw_install_pellowick pwkeys); then
        fail "cannot copy pellowick.exe into the prefix"
    fi
    hs=${PW_HOSTSIM_PID:-}
    if [[ -n "${kexe:-}" ]]; then
        pw_start_pellowick "$kexe"
        kpid=$PW_PELLOWICK_PID
        pids+=("$kpid")
        pw_wait_post "$klog" "$(plain loaded)" 30 && wait_visible 15 || fail "pellowick did not start within 45 s"
    fi
    if ((${#why[@]} > 0)); then
        report "keyboard only: Enter starts, Enter stops, Shift+F10 posts the statistics, Alt+F4 closes"
        pw_stop_process "$hs"
        return
    fi

    pw_keyboard_to_main || fail "cannot give pellowick the keyboard"
    pw_keys Return
    pw_wait_post "$klog" "$(counted 'now idle' 0)" 15 || fail "no 'now idle · 0' within 15 s of Enter"
    # The focus moved on to stop, and now that keys were used it is drawn.
    sleep 0.5
    local dots
    pw_window_shot "$work/keys-idle.png"
    dots=$(focus_dots "$work/keys-idle.png")
    ((dots >= 20)) || fail "no focus rectangle on stop after Enter ($dots dots; see $work/keys-idle.png)"

    pw_keys Return
    pw_wait_post "$klog" "$(counted 'not idle' 0)" 15 || fail "no 'not idle · 0' within 15 s of the second Enter"
    # The stop hands the user to the maximized host client; back as Alt+Tab would.
    sleep 0.5
    pw_keyboard_to_main || fail "cannot give pellowick the keyboard after the stop"
    pw_keys shift+F10
    sleep 0.3
    pw_keys Down Right Return   # statistics > scroll stats
    pw_wait_post "$klog" "$(plain statistics)" 10 || fail "no 'statistics' line within 10 s of Shift+F10"
    # The totals line follows a one-second pause; a close inside it would end the program first.
    pw_wait_until 10 post_count_after_at_least "$klog" 0 5 || fail "no totals line within 10 s of the statistics line"
    pw_keys alt+F4
    pw_wait_post "$klog" "$(plain unloaded)" 15 || fail "no 'unloaded' within 15 s of Alt+F4"
    pw_wait_exit "$kpid" 15 || fail "pellowick still runs 15 s after Alt+F4"

    local got
    got=$(pw_posts "$klog" | sed -E 's/.*<b>(d<\/b>[0-9]+ <b>h<\/b>[0-9]+ <b>m<\/b>[0-9]+ <b>s<\/b>[0-9]+) -\|$/TOTALS/')
    local want
    want=$(printf '%s\n' "$(plain loaded)" "$(counted 'now idle' 0)" "$(counted 'not idle' 0)" "$(plain statistics)" \
        TOTALS "$(plain unloaded)")
    [[ "$got" == "$want" ]] || fail "the room shows: '$(recent "$klog" 6)'"
    report "keyboard only: Enter starts, Enter stops, Shift+F10 posts the statistics, Alt+F4 closes"
    pw_stop_process "$hs"
}

# --- Automatic idle: the main run with AutoIdle=1 in its file --------------------------

# Which row (1-based) of the open submenu shows a radio bullet, out of ROWS rows; 0
# when none or more than one does. The items cannot be read from another process
# under Wine, so the screen is read: in each row, the pixels of the check column that
# differ from the row's own background.
checked_row() {
    local rows=$1 rect shot left top right bottom
    rect=$(pw_probe menus | sed -n 's/^menu=//p' | sort -n -k1,1 | tail -n 1)
    [[ -n "$rect" ]] || { echo 0; return; }
    read -r left top right bottom <<<"$rect"
    shot="$work/auto-idle-menu.png"
    pw_screenshot "$shot" || { echo 0; return; }
    local height=$((bottom - top)) row found=0 hits
    for ((row = 0; row < rows; row++)); do
        local y=$((top + height * row / rows + height / (3 * rows)))
        local band=$((height / (3 * rows)))
        local bg
        bg=$(pw_pixel "$shot" $((right - 6)) $((y + band / 2)))
        hits=$(convert "$shot" -depth 8 -crop "12x$((band + 1))+$((left + 3))+$y" txt:- 2>/dev/null |
            awk -v bg="$bg" 'BEGIN { split(bg, b, " ") }
                /^[0-9]/ { sub(/^[^(]*\(/, ""); split($0, c, /[,)]/)
                           d = c[1] - b[1]; if (d < 0) d = -d; e = c[2] - b[2]; if (e < 0) e = -e
                           f = c[3] - b[3]; if (f < 0) f = -f; if (d + e + f > 90) n++ }
                END { print n + 0 }')
        if ((hits > 0)); then
            ((found == 0)) && found=$((row + 1)) || found=-1
        fi
    done
    ((found > 0)) && echo "$found" || echo 0
}

# Opens menu > auto idle with the keyboard; the submenu's first item is highlighted.
open_auto_idle_menu() {
    local try
    for try in 1 2; do
        pw_menu_keys Up Up Up Right
        sleep 0.5
        (($(pw_probe menus | grep -c '^menu=') >= 2)) && return 0
        pw_keys_to_menu Escape Escape
        sleep 1
    done
    return 1
}

test_auto_idle() {
    local f="$drive_c/pwick.dat" rows
    local by_input="auto idle: no input for a minute starts the period, a key press stops it"
    local by_menu="auto idle: the menu shows the choice and picking one writes the file"
    close_main
    printf '[Stats]\r\nSeconds=00\r\nMinutes=00\r\nHours=00\r\nDays=00\r\n\r\n[Options]\r\nAutoIdle=1\r\n' >"$f"
    rm -f "$stats_in_folder"
    if ! start_main; then
        report "$by_input"
        not_run "pellowick did not start with AutoIdle=1" "$by_menu"
        return
    fi
    # The last input: the pointer comes to rest over the window's counters, where the
    # key press will find it again.
    local mark t0 waited
    mark=$(lines_of "$log")
    xdotool mousemove $((PW_WIN_LEFT + 200)) $((PW_WIN_TOP + 70))
    t0=$(pw_now_ms)
    echo "# note: GetLastInputInfo after the move: $(pw_probe lastinput | paste -sd ' ' -)"
    if ! wait_post_after "$log" "$mark" "$(counted 'now idle' 1)" 90; then
        fail "no 'now idle · 1' within 90 s without input (room shows: '$(recent "$log")')"
    else
        waited=$((($(pw_now_ms) - t0) / 1000))
        ((waited >= 58)) || fail "'now idle · 1' came after $waited s without input, before the minute"
        [[ "$(posts_after "$log" "$mark")" == "$(counted 'now idle' 1)" ]] ||
            fail "other lines came with it: '$(recent "$log" 3)'"
        [[ "$(frame_events "$log" "$mark")" == minimized* ]] || fail "the host client was not minimized"
        pw_probe --wait 500 msgbox 'Haulted!' >/dev/null && fail "a 'Haulted!' box is open"
        xdotool key shift
        wait_post_after "$log" "$mark" "$(counted 'not idle' 1)" 15 ||
            fail "no 'not idle · 1' within 15 s of a key press (room shows: '$(recent "$log")')"
    fi
    report "$by_input"

    # The stop has saved the choice with the totals. The maximized host client now
    # covers pellowick on screen (Wine without a window manager), so the menu is tried
    # on a fresh start, which also reads the choice back from the file.
    pw_wait_until 10 frame_events_are "$log" "$mark" "minimized maximized"   # the stop's last step, after its save
    pw_stop_process "$main_pid"
    if ! start_main; then
        report "$by_menu"
        return
    fi
    sleep 1.5
    if require_on_top menu; then
        open_auto_idle_menu
        rows=$(checked_row 6)
        [[ "$rows" == 2 ]] || fail "menu > auto idle: the bullet is on row $rows of 6, expected 2 ('after 1 minute') (see $work/auto-idle-menu.png)"
        pw_keys_to_menu Down Down Return   # after 5 minutes
        pw_wait_until 5 grep -q '^AutoIdle=5' "$f"
        local body
        body=$(tr -d '\r' <"$f" 2>/dev/null | grep -v '^$' | paste -sd '|' -)
        [[ "$body" =~ ^\[Stats\]\|Seconds=[0-9]+\|Minutes=[0-9]+\|Hours=[0-9]+\|Days=[0-9]+(\|Generation=[0-9]+\|Includes=[^|]+\|Counted=[^|]*)?\|\[Options\]\|AutoIdle=5$ ]] ||
            fail "after picking 'after 5 minutes' c:\\pwick.dat holds '$body'"
        sleep 0.5
        open_auto_idle_menu
        rows=$(checked_row 5)
        [[ "$rows" == 2 ]] || fail "after the pick the bullet is on row $rows of 5, expected 2 ('after 5 minutes') (see $work/auto-idle-menu.png)"
        pw_keys_to_menu Escape Escape
    fi
    report "$by_menu"
    sleep 0.5
    pw_click close
    pw_wait_exit "$main_pid" 15 || pw_stop_process "$main_pid"
}

for name in "${scenarios[@]}"; do
    case $name in
        boxes) test_haulted_boxes ;;
        startup) test_start_up ;;
        art) test_art ;;
        drag) test_drag ;;
        idle) test_idle_minute ;;
        second) test_second_copy ;;
        scroll) test_scroll_stats ;;
        menu) test_menu_boxes ;;
        exitidle) test_close_while_idle ;;
        quit) test_quit_from_outside ;;
        autoidle) test_auto_idle ;;
        dpi144) test_scaled_display 144 ;;
        dpi192) test_scaled_display 192 ;;
        keys) test_keyboard ;;
    esac
done
finish
