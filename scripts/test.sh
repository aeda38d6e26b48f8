#!/usr/bin/env bash
# Runs every test of pellowick on Debian 12, installing what it needs:
#   0. every C++ file formatted as .clang-format says;
#   1. native unit tests of the portable logic (GoogleTest), and the simulation of the
#      whole program through 2,000 random schedules of a user's life (tests/sim);
#   2. the same under AddressSanitizer + UndefinedBehaviorSanitizer (200 schedules);
#   3. the release (scripts/release.sh) built twice, compared byte for byte;
#   4. the Windows build: Win32 tests and hostsim's tests under Wine (Xvfb when headless);
#   5. end-to-end tests of the pellowick.exe from the release zip against hostsim,
#      clicked with xdotool.
# Ends with one line "tests: N passed, M failed" and a non-zero status on any failure;
# then the suites' logs are kept and the line before says where.
#
# PW_BUILD: where the build trees go (default: build/ in the checkout).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PW_BUILD:-$root/build}
jobs=$(nproc)
passed=0
failed=0
log_dir=$(mktemp -d "${TMPDIR:-/tmp}/pw-test.XXXXXX")
logs_told=0

say() { printf '\n== %s\n' "$*"; }
die() { printf 'test.sh: %s\n' "$*" >&2; exit 1; }
tell_logs() {
    ((logs_told)) || printf 'test.sh: the logs are kept in %s\n' "$log_dir" >&2
    logs_told=1
}
# Runs before the Wine session's own teardown (see pw_wine_session).
# shellcheck disable=SC2317  # run by the EXIT trap
on_exit() {
    if (($? == 0)); then rm -rf "$log_dir"; else tell_logs; fi
}
trap on_exit EXIT

# Adds a suite's counts from its output (gtest, ctest or the e2e runner).
count() {
    local out=$1 p f
    p=$(tr -d '\r' <"$out" | sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?.*/\1/p; s/^e2e: ([0-9]+) passed, [0-9]+ failed$/\1/p' | tail -n 1)
    f=$(tr -d '\r' <"$out" | sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p; s/^e2e: [0-9]+ passed, ([0-9]+) failed$/\1/p' | tail -n 1)
    passed=$((passed + ${p:-0}))
    failed=$((failed + ${f:-0}))
}

# Runs a suite, shows its output, counts it; a suite that fails without counting
# a failed test (a crash, a build error) counts as one failure.
suite() {
    local name=$1
    shift
    local out="$log_dir/$name.log" status=0
    say "$name"
    "$@" </dev/null >"$out" 2>&1 || status=$?
    tr -d '\r' <"$out" | grep -vE '^\[ +(RUN|OK) +\]' | tail -n 40
    local before=$failed
    count "$out"
    if [[ $status -ne 0 && $failed -eq $before ]]; then
        failed=$((failed + 1))
        echo "($name exited with status $status)"
    fi
}

source "$root/scripts/lib/deps.sh"
source "$root/scripts/lib/wine.sh"
pw_install_deps || die "cannot install the build and test dependencies"

# Counts as one test: every tracked C++ file is formatted (clang-format -i fixes one).
format_check() {
    local files
    mapfile -t files < <(git -C "$root" ls-files -- '*.cpp' '*.h')
    ((${#files[@]} > 0)) || { echo "no C++ files found to check (is $root a git checkout?)"; return 1; }
    (cd "$root" && clang-format --dry-run -Werror "${files[@]}") || return 1
    echo "[  PASSED  ] 1 test (${#files[@]} files formatted)"
}

native_tests() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j "$jobs" >/dev/null &&
        "$dir/tests/unit/pw_unit_tests"
}

# Counts as one test: two release builds give the same pellowick.exe and zip byte for
# byte. The second builds a copy of the sources in another folder, later, with the
# compiler's clock (SOURCE_DATE_EPOCH, which release.sh keeps from it) a year, a day
# and an hour off: a build path, date or time compiled in shows as a difference.
release_check() {
    local top="$build/release-check" zip
    rm -rf "$top"
    mkdir -p "$top/two/src" || return 1
    local -x SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
    PW_BUILD="$top/one" PW_DIST="$top/one/dist" "$root/scripts/release.sh" || return 1
    git -C "$root" ls-files -z --cached --others --exclude-standard |
        tar -C "$root" --null --ignore-failed-read -T - -cf - | tar -C "$top/two/src" -xmf - || return 1
    CMAKE_CXX_COMPILER_LAUNCHER="env;SOURCE_DATE_EPOCH=$(($(date +%s) - 366 * 86400 - 3600))" \
        PW_BUILD="$top/two" PW_DIST="$top/two/dist" "$top/two/src/scripts/release.sh" || return 1
    zip=$(cd "$top/one/dist" && echo pellowick-*-windows-x64.zip)
    local f same=1
    for f in release/package/pellowick.exe "dist/$zip" dist/SHA256SUMS; do
        cmp "$top/one/$f" "$top/two/$f" || same=0
    done
    ((same)) || return 1
    echo "[  PASSED  ] 1 test (pellowick.exe and $zip the same from both builds)"
}

suite format format_check
suite unit native_tests "$build/native" -DCMAKE_BUILD_TYPE=Release
suite sim "$build/native/tests/sim/pw_sim"
suite unit-sanitizers native_tests "$build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DPW_SANITIZE=ON
suite sim-sanitizers env PW_SIM_SCHEDULES=200 "$build/sanitize/tests/sim/pw_sim"
suite release release_check
# The end-to-end tests install the exe that ships: the one in the first release zip.
release_zip=$(echo "$build"/release-check/one/dist/pellowick-*-windows-x64.zip)
if [[ -f "$release_zip" ]] && unzip -q -o "$release_zip" pellowick.exe -d "$build/release-check/unpacked"; then
    export PW_PELLOWICK_EXE="$build/release-check/unpacked/pellowick.exe"
else
    echo "(no release zip: the end-to-end tests use the Windows build's pellowick.exe)"
fi

say "Windows build"
w32="$build/win32"
cmake -S "$root" -B "$w32" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    >"$log_dir/win32-build.log" 2>&1 &&
    cmake --build "$w32" -j "$jobs" --target all pw_win32_tests hostsim_tests >>"$log_dir/win32-build.log" 2>&1 ||
    { tail -n 60 "$log_dir/win32-build.log"; die "the Windows build failed"; }

# Always a private Xvfb: the end-to-end tests move the pointer and click.
unset DISPLAY
pw_wine_session || die "cannot set up Wine and a display"
export PW_HOSTSIM="$w32/hostsim/hostsim.exe" PW_BUILD_W32="$w32"
suite win32 wine "$w32/tests/win32/pw_win32_tests.exe"
suite hostsim wine "$w32/hostsim/hostsim_tests.exe"
if [[ -x "$root/tests/e2e/run.sh" ]]; then
    suite e2e "$root/tests/e2e/run.sh"
fi

echo
((failed == 0)) || tell_logs
echo "tests: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
