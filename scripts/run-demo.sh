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

# Two demo controllers, each on a pseudo-terminal under Ports/ and on a free local TCP port: the
# pump drive 1027 on SIM1 and the synchronous motor's exciter 2050 on SIM2 (alarm log, event
# recorder, program player and cos-phi loop). Each has a memory card folder beside the program.
sim_pids=()
sim_logs=()
stop_simulators() {
  for pid in "${sim_pids[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -f "${sim_logs[@]}"
}
trap stop_simulators EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

start_simulator() {  # device file, port name, card folder
  local log pid
  log=$(mktemp)
  sim_logs+=("$log")
  mkdir -p "$bin/$3"
  "$bin/quillon-sim" --device "$bin/$1" --pty "$bin/Ports/$2" --tcp 0 --move --card "$bin/$3" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    grep -q '^ready' "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if grep -q '^ready' "$log"; then
    sim_pids+=("$pid")
    local tcp
    tcp=$(sed -n 's/^tcp: //p' "$log")
    echo "Simulated controller $(sed -n 's/^id: //p' "$log") is running:"
    echo "  serial: choose port $2 with \"QuBUS\" or \"MODBUS RTU\" (any bit rate, address 1)"
    echo "  TCP:    choose \"MODBUS TCP\" with IP ${tcp%:*} and port ${tcp##*:}"
  else
    echo "The simulated controller on $2 did not start; the program runs without it:" >&2
    cat "$log" >&2
  fi
}
start_simulator Devices/TK3/1027.ini SIM1 SimCard
start_simulator Devices/EX1/2050.ini SIM2 SimCard2

status=0
"$bin/quillon" "$@" || status=$?
exit "$status"
