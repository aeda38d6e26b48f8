#!/usr/bin/env bash
# Builds the Windows release of pellowick and packs it for its users:
#   dist/pellowick-<version>-windows-x64.zip   pellowick.exe, README.txt, LICENSE.txt
#   dist/SHA256SUMS                            SHA-256 of the zip and of pellowick.exe
# Anyone can rebuild both bit for bit: the exe holds no build time and no build
# folder, and the zip's entries come in a fixed order with fixed modes and the time
# of the last commit (SOURCE_DATE_EPOCH when it is set, as rebuilders set it).
#
# PW_BUILD  where the build trees go (default build/ in the checkout); this script
#           builds in PW_BUILD/release, target pellowick only
# PW_DIST   where the zip and SHA256SUMS go (default dist/ in the checkout)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PW_BUILD:-$root/build}/release
dist=${PW_DIST:-$root/dist}
log="$build/release-build.log"

die() {
    printf 'release: %s\n' "$*" >&2
    exit 1
}

source "$root/scripts/lib/deps.sh"
pw_install_deps || die "cannot install what the release build needs"

# Outside a git checkout (an unpacked source archive) the newest source file stands
# in for the last commit.
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
        SOURCE_DATE_EPOCH=$(find "$root" \( -path "$root/.git" -o -path "$root/build" -o -path "$root/dist" \) -prune \
            -o -type f -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1)
fi
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH is not a number of seconds: '$SOURCE_DATE_EPOCH'"

# The compiler never sees SOURCE_DATE_EPOCH: it would quietly fix a __DATE__ or
# __TIME__ in a source file, which then differs in every build made without it (the
# plain cmake commands in README.md). Without it the reproducibility check sees one.
mkdir -p "$build"
echo "release: building pellowick.exe in $build (log: $log)"
if ! env -u SOURCE_DATE_EPOCH cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >"$log" 2>&1 ||
    ! env -u SOURCE_DATE_EPOCH cmake --build "$build" -j "$(nproc)" --target pellowick >>"$log" 2>&1; then
    tail -n 30 "$log" >&2
    die "the build failed (log: $log)"
fi
# shellcheck source=/dev/null
source "$build/build_facts.sh"

# What goes into the zip, in its order. The texts get CR LF line ends for Notepad.
stage="$build/package"
rm -rf "$stage"
mkdir -p "$stage" "$dist"
cp "$build/platform/win32/pellowick.exe" "$stage/pellowick.exe"
sed 's/\r*$/\r/' "$root/docs/README-windows.txt" >"$stage/README.txt"
sed 's/\r*$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
entries=(pellowick.exe README.txt LICENSE.txt)
chmod 0644 "${entries[@]/#/$stage/}"
touch -d "@$SOURCE_DATE_EPOCH" "${entries[@]/#/$stage/}"

# -X leaves out the extra fields with owners and access and change times; an entry's
# own time is stored as local time, hence UTC.
zip_name="pellowick-$PW_VERSION_TEXT-windows-x64.zip"
rm -f "$dist/$zip_name"
(cd "$stage" && TZ=UTC0 zip -X -q -9 "$dist/$zip_name" "${entries[@]}") || die "cannot write $dist/$zip_name"
{
    (cd "$dist" && sha256sum "$zip_name")
    (cd "$stage" && sha256sum pellowick.exe)
} >"$dist/SHA256SUMS"

echo "release: $dist/$zip_name"
echo "release: $dist/SHA256SUMS"
echo "release: pellowick.exe SHA-256 $(sha256sum <"$stage/pellowick.exe" | cut -d' ' -f1)"
