#!/bin/sh
# Soak run of the companion logger against the log update, with real processes: a writer appends
# generated adapter lines at full speed, dtallywr follows them, dialtally-cli update runs again and
# again; after each round the session log must hold exactly one record per recognised line.
#
#   tools/soak-logger.sh [BUILD_DIR] [ROUNDS] [SESSIONS]
#
# BUILD_DIR defaults to ./build, ROUNDS to 20, SESSIONS (per round) to 200000.
set -eu

build=${1:-build}
rounds=${2:-20}
sessions=${3:-200000}
test_program="$build/bin/test_companion_process"

if [ ! -x "$test_program" ]; then
    echo "soak-logger: $test_program not found; build the target test_companion_process first" >&2
    exit 2
fi

round=1
while [ "$round" -le "$rounds" ]; do
    echo "round $round of $rounds, $sessions sessions"
    DIALTALLY_SOAK_SESSIONS=$sessions QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
        "$test_program" -silent
    round=$((round + 1))
done
echo "soak-logger: $rounds rounds passed"
