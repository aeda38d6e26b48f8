# shellcheck shell=bash
# Running the Windows programs under Wine, on a real or a virtual (Xvfb) X display.
# Source this file. Functions are quiet on success and explain failures on stderr.
#
#   pw_wine_session                      display + prefix, cleaned up on EXIT
#   pw_set_dpi 192                       the DPI Wine reports to programs started next
#   pw_start_hostsim LOG READY [hostsim options...]     PW_HOSTSIM_PID
#   pw_wait_log_line LOG 'POST\troom:' 10
#
# Every Windows program is started the one way, pw_start_wine: in the background of
# the calling shell, never inside $(...), so it stays this shell's child and can be
# waited for. Names with a double underscore are this file's own; scripts use the rest.
#
# Inputs: PW_WINEPREFIX (use this prefix, kept afterwards), PW_HOSTSIM (hostsim.exe).
# A prefix or display set up here is exported, so child scripts reuse it; only the
# shell that set it up tears it down.

pw_fail() {
    printf 'pw: %s\n' "$*" >&2
    return 1
}

# Milliseconds since the epoch.
pw_now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Seconds (may have a fraction) as whole milliseconds.
pw_seconds_to_ms() { awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }'; }

pw_wine_env() {
    export LC_ALL=C.UTF-8 LANG=C.UTF-8   # Wine's ANSI code page is then 1252
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    if [[ -n "${PW_WINE_READY:-}" && "$PW_WINE_READY" == "${WINEPREFIX:-}" ]]; then
        return 0
    fi
    if [[ -n "${PW_WINEPREFIX:-}" ]]; then
        mkdir -p "$PW_WINEPREFIX" || pw_fail "cannot create $PW_WINEPREFIX" || return 1
        export WINEPREFIX="$PW_WINEPREFIX"
    else
        WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/pw-wine.XXXXXX") || pw_fail "cannot make a Wine prefix" || return 1
        export WINEPREFIX
        PW__OWN_PREFIX=$WINEPREFIX
    fi
    PW__WINE_OWNER=$BASHPID   # from here on, cleanup stops this prefix's server
    PW__WINE_PREFIX=$WINEPREFIX
    local out
    out=$(mktemp "${TMPDIR:-/tmp}/pw-wineboot.XXXXXX") || return 1
    # Output goes to a file: Wine's helper processes would hold a pipe open.
    if [[ ! -f "$WINEPREFIX/system.reg" ]] && ! { wineboot -u && wineserver -w; } </dev/null >"$out" 2>&1; then
        cat "$out" >&2
        rm -f "$out"
        pw_fail "cannot initialise the Wine prefix $WINEPREFIX"
        return 1
    fi
    # A persistent server makes each later program start take about a second
    # (status 2: one is running already).
    local status=0
    wineserver -p </dev/null >/dev/null 2>&1 || status=$?
    if [[ $status -ne 0 && $status -ne 2 ]]; then
        rm -f "$out"
        pw_fail "cannot start a persistent wineserver (status $status)"
        return 1
    fi
    # A crash must end the program, not wait for someone to close a dialog. Windows are
    # not left to a window manager (there is none on Xvfb): Wine draws their frames,
    # they sit exactly where they are placed, and hiding one does not wait 2 s for a
    # manager's answer. Keyboard cues (focus rectangles) stay hidden until the keyboard
    # is used, as for a Windows user by default (Wine's own default shows them always).
    local settings="$WINEPREFIX/pw-settings.reg"
    printf '%s\r\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
        '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"UserPreferencesMask"=hex:10,00,02,80,12,00,00,00' >"$settings"
    if ! wine reg import "$(pw_win_path "$settings")" </dev/null >"$out" 2>&1; then
        cat "$out" >&2
        rm -f "$out"
        pw_fail "cannot apply the Wine settings in $settings"
        return 1
    fi
    rm -f "$out"
    export PW_WINE_READY=$WINEPREFIX
}

# True when the display in DISPLAY answers.
pw_display_answers() { xdpyinfo >/dev/null 2>&1 || xwininfo -root >/dev/null 2>&1; }

pw_display_env() {
    if [[ -n "${DISPLAY:-}" ]] && pw_display_answers; then
        return 0
    fi
    local n pid try
    for n in $(seq 90 160); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        pid=$!
        for try in $(seq 1 100); do
            if DISPLAY=":$n" pw_display_answers; then
                export DISPLAY=":$n"
                PW__XVFB_PID=$pid
                PW__XVFB_OWNER=$BASHPID
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break   # lost the race for this number
            sleep 0.1
        done
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    pw_fail "cannot start Xvfb on any display from :90 to :160"
}

pw_wine_cleanup() {
    if [[ -n "${PW__WINE_PREFIX:-}" && "${PW__WINE_OWNER:-}" == "$BASHPID" ]]; then
        WINEPREFIX=$PW__WINE_PREFIX wineserver -k >/dev/null 2>&1
        WINEPREFIX=$PW__WINE_PREFIX wineserver -w >/dev/null 2>&1
        unset PW_WINE_READY PW__WINE_OWNER PW__WINE_PREFIX
        if [[ -n "${PW__OWN_PREFIX:-}" ]]; then
            rm -rf "$PW__OWN_PREFIX"
            unset PW__OWN_PREFIX
        fi
    fi
    if [[ -n "${PW__XVFB_PID:-}" && "${PW__XVFB_OWNER:-}" == "$BASHPID" ]]; then
        kill "$PW__XVFB_PID" 2>/dev/null
        wait "$PW__XVFB_PID" 2>/dev/null
        unset PW__XVFB_PID PW__XVFB_OWNER
    fi
    return 0
}

# Display and prefix for this shell, both cleaned up when it exits: after any EXIT
# trap that was already set, so that the caller's own cleanup still has Wine.
pw_wine_session() {
    pw_display_env && pw_wine_env || {
        pw_wine_cleanup
        return 1
    }
    local previous=""
    eval "set -- $(trap -p EXIT)"
    [[ $# -ge 3 ]] && previous=$3
    case "$previous" in
        *pw_wine_cleanup*) ;;
        "") trap pw_wine_cleanup EXIT ;;
        *) trap "$previous; pw_wine_cleanup" EXIT ;;
    esac
}

# Sets the display's DPI (LogPixels) that Wine reports to programs started afterwards.
pw_set_dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1; }

# The Windows form of a Unix path (through drive Z:, which a fresh prefix maps to /).
pw_win_path() {
    local path
    path=$(realpath -m -- "$1") || return 1
    if [[ "$(readlink "$WINEPREFIX/dosdevices/z:" 2>/dev/null)" == / ]]; then
        printf 'Z:%s\n' "${path//\//\\}"
    else
        winepath -w "$path" 2>/dev/null
    fi
}

# Runs the command until it succeeds, every 50 ms, for at most timeout_s seconds (a
# fraction is fine); fails when the time is up.
pw_wait_until() {
    local deadline=$(($(pw_now_ms) + $(pw_seconds_to_ms "$1")))
    shift
    until "$@"; do
        (($(pw_now_ms) < deadline)) || return 1
        sleep 0.05
    done
}

# Starts a Windows program under Wine in the background of this shell, its output
# discarded (Wine's helpers would hold a pipe open), and leaves its process id in the
# variable named VAR.
pw_start_wine() {  # VAR program [args...]
    local var=$1
    shift
    wine "$@" </dev/null >/dev/null 2>&1 &
    printf -v "$var" '%s' "$!"
}

# Starts hostsim.exe ($PW_HOSTSIM) with its event log and ready file and waits until its
# windows exist; its process id is left in PW_HOSTSIM_PID.
pw_start_hostsim() {
    [[ $# -ge 2 ]] || pw_fail "usage: pw_start_hostsim LOG READYFILE [options...]" || return 1
    local log=$1 ready=$2
    shift 2
    [[ -f "${PW_HOSTSIM:-}" ]] || pw_fail "PW_HOSTSIM does not name hostsim.exe: '${PW_HOSTSIM:-}'" || return 1
    [[ -n "${WINEPREFIX:-}" ]] || pw_fail "no Wine prefix: call pw_wine_session first" || return 1
    rm -f -- "$ready"
    local win_log win_ready
    win_log=$(pw_win_path "$log") && win_ready=$(pw_win_path "$ready") ||
        pw_fail "cannot name $log or $ready for Windows" || return 1
    local pid
    pw_start_wine pid "$PW_HOSTSIM" --log "$win_log" --ready "$win_ready" "$@"
    PW_HOSTSIM_PID=$pid
    if ! pw_wait_until 30 pw__ready_or_gone "$ready" "$pid" || [[ ! -e "$ready" ]]; then
        if pw_process_alive "$pid"; then
            kill "$pid" 2>/dev/null
            pw_fail "hostsim did not get ready within 30 s ($ready)"
        else
            pw_fail "hostsim exited before it was ready"
        fi
        return 1
    fi
}

# True once the ready file exists or the process has ended (nothing to wait for then).
pw__ready_or_gone() { [[ -e "$1" ]] || ! pw_process_alive "$2"; }

# True while process pid runs; a zombie (ended, not yet waited for) counts as ended.
pw_process_alive() {
    local state
    state=$(awk '{ sub(/.*\) /, ""); print $1 }' "/proc/$1/stat" 2>/dev/null) || return 1
    [[ -n "$state" && "$state" != Z && "$state" != X ]]
}

# Waits until a line of log matches the extended regular expression pattern (\t
# stands for a TAB), for at most timeout_s seconds (a fraction is fine).
pw_wait_log_line() {
    [[ $# -eq 3 ]] || pw_fail "usage: pw_wait_log_line LOG PATTERN TIMEOUT_S" || return 1
    local log=$1 timeout_s=$3
    local pattern=${2//\\t/$'\t'}
    if ! pw_wait_until "$timeout_s" grep -sEq -- "$pattern" "$log"; then
        printf 'pw: no line matching /%s/ in %s after %s s; its last lines:\n' "$2" "$log" "$timeout_s" >&2
        tail -n 15 "$log" >&2 2>/dev/null
        return 1
    fi
}
