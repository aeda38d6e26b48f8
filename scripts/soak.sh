#!/usr/bin/env bash
# Runs N more schedules of the whole-program simulation (default 100,000), from seeds
# the test command does not use, and prints how many simulated hours ran clean.
#   scripts/soak.sh [N] [FIRST_SEED]
# A failing seed replays with its trace: PW_SIM_REPLAY=SEED build/native/tests/sim/pw_sim
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PW_BUILD:-$root/build}/native
count=${1:-100000}
first=${2:-1000001}

source "$root/scripts/lib/deps.sh"
pw_install_deps >/dev/null
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target pw_sim >/dev/null
PW_SIM_SEED=$first PW_SIM_SCHEDULES=$count "$build/tests/sim/pw_sim" | grep -vE '^\[ +(RUN|OK) +\]'
