#!/usr/bin/env bash
# Builds Quillon, puts the demo workspace beside the executable (never overwriting what a user
# already has there), starts a simulated controller for the demo device and then the program.
# The simulator is stopped when the program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLON_BUILD:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${QUILLON_JOBS:-2}"
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
"$bin/quillon-sim" --device "$bin/Devices/TK3/1027.ini" --pty "$bin/Ports/SIM1" --tcp 0 --move \
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
