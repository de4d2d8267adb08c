#!/usr/bin/env bash
# Installs the Debian packages that are missing, builds the program, the simulator and the
# command-line tool (optimised, without the tests), puts the demo workspace beside the executable
# (never overwriting what a user already has there), starts a simulated controller for the demo
# device and then the program. The simulator is stopped when the program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
quillon_need_packages "${quillon_run_packages[@]}"

build=${QUILLON_BUILD:-$root/build-demo}
# -O2 rather than CMake's -O3: it compiles faster, and GCC 12 at -O3 reports false -Wrestrict
# warnings inside std::string.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${QUILLON_JOBS:-$(nproc)}" --target quillon quillon-sim quillon-cli
bin="$build/bin"
cp -rn "$root/demo/." "$bin/"

# The demo controller on a pseudo-terminal published as Ports/SIM1 and on a free local TCP port.
sim_log=$(mktemp)
sim_pid=""
stop_simulator() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$sim_log"
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# Its memory card is the folder SimCard/ beside the program.
"$bin/quillon-sim" --device "$bin/Devices/TK3/1027.ini" --pty "$bin/Ports/SIM1" --tcp 0 --move --card "$bin/SimCard" \
  >"$sim_log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q '^ready' "$sim_log" && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if grep -q '^ready' "$sim_log"; then
  tcp=$(sed -n 's/^tcp: //p' "$sim_log")
  echo "Simulated controller $(sed -n 's/^id: //p' "$sim_log") is running:"
  echo "  serial: choose port SIM1 with \"QuBUS\" or \"MODBUS RTU\" (any bit rate, address 1)"
  echo "  TCP:    choose \"MODBUS TCP\" with IP ${tcp%:*} and port ${tcp##*:}"
else
  echo "The simulated controller did not start; the program runs without it:" >&2
  cat "$sim_log" >&2
  sim_pid=""
fi

status=0
"$bin/quillon" "$@" || status=$?
exit "$status"
