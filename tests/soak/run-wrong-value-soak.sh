#!/usr/bin/env bash
# Builds the "never a wrong value" soak (Debug, AddressSanitizer + UndefinedBehaviorSanitizer)
# with the simulator and runs it. Usage:
#   tests/soak/run-wrong-value-soak.sh [BUILD_DIR] [--minutes N]
# BUILD_DIR defaults to build-soak in the repository; --minutes (default 10) is shared out over
# the nine fault kinds. The exit status is the soak's: 0 nothing wrong was taken, 1 a wrong value
# or a differing file was taken (or a kind brought nothing at all), 2 a start failed, anything
# else a crash (the sanitizer's report is on stderr).
set -euo pipefail
QUILLON_SOAK_PROGRAM=wrong_value_soak exec "$(dirname "$0")/run-fault-soak.sh" "$@"
