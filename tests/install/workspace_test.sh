#!/usr/bin/env bash
# The installed layout, simulated with DESTDIR: the programs find their shipped data beside
# them, a first start with an empty XDG_DATA_HOME makes the workspace and copies the templates and
# the help, and a second start changes nothing the engineer edited. --workspace and
# QUILLON_WORKSPACE choose another; run from the build folder nothing moves.
# Usage: workspace_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
gui_pid=
cleanup() {
  [ -n "$gui_pid" ] && kill "$gui_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >/dev/null
prefix=$tmp/root/usr
data=$prefix/share/quillon
for file in bin/quillon bin/quillon-cli bin/quillon-sim share/quillon/Help/Quillon.pdf \
  share/quillon/XLT/template3.xlt share/quillon/DeviceTemplate share/quillon/demo/settings.ini \
  share/quillon/demo/Devices; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done

export HOME=$tmp/home XDG_DATA_HOME=$tmp/xdg QT_QPA_PLATFORM=offscreen
unset QUILLON_WORKSPACE
mkdir -p "$HOME" "$XDG_DATA_HOME"
ws=$XDG_DATA_HOME/Quillon

# The command-line tool's first start.
"$prefix/bin/quillon-cli" catalogue >/dev/null || fail "quillon-cli catalogue on a new workspace"
for folder in Devices Devices/BackUp DeviceTemplate Records ScopeWindow Help XLT Reports Trace; do
  [ -d "$ws/$folder" ] || fail "no folder $folder in the new workspace"
done
diff -r "$data/DeviceTemplate" "$ws/DeviceTemplate" || fail "device templates not copied"
diff -r "$data/XLT" "$ws/XLT" || fail "report templates not copied"
cmp "$data/Help/Quillon.pdf" "$ws/Help/Quillon.pdf" || fail "help not copied"
[ ! -e "$ws/settings.ini" ] && [ -z "$(ls -A "$ws/Devices" | grep -v BackUp)" ] || fail "the demo leaked into the workspace"

# The engineer's own work, then the program's start: nothing of it changes.
echo "our own report" >"$ws/XLT/template3.xlt"
template=$(find "$ws/DeviceTemplate" -type f | head -n 1)
printf '[DEVICE]\r\nID=edited\r\n' >"$template"
mkdir -p "$ws/Devices/TK3"
cp "$data/demo/Devices/TK3/1027.ini" "$ws/Devices/TK3/1027.ini"
(cd "$ws" && find . -type f -exec md5sum {} + >"$tmp/before.md5")

started() {  # waits until the program's window thread runs: its settings are read by then
  local log=$1
  for _ in $(seq 1 300); do
    kill -0 "$gui_pid" 2>/dev/null || { cat "$log" >&2; fail "quillon ended at start"; }
    [ -d "$2/Records" ] && sleep 2 && return 0
    sleep 0.1
  done
  fail "quillon did not start"
}
stop_gui() {
  kill -TERM "$gui_pid" 2>/dev/null || true
  wait "$gui_pid" 2>/dev/null || true
  gui_pid=
}
"$prefix/bin/quillon" >"$tmp/gui.log" 2>&1 &
gui_pid=$!
started "$tmp/gui.log" "$ws"
stop_gui
"$prefix/bin/quillon-cli" catalogue | grep -q 1027.ini || fail "the catalogue misses the engineer's device"
(cd "$ws" && md5sum --quiet -c "$tmp/before.md5") || fail "a second start changed what the engineer has"

# The program's own first start, on a workspace named by the option and by the environment.
"$prefix/bin/quillon" --workspace "$tmp/chosen" >"$tmp/gui2.log" 2>&1 &
gui_pid=$!
started "$tmp/gui2.log" "$tmp/chosen"
stop_gui
cmp "$data/XLT/template3.xlt" "$tmp/chosen/XLT/template3.xlt" || fail "--workspace: templates not copied"
QUILLON_WORKSPACE=$tmp/from-env "$prefix/bin/quillon-cli" catalogue >/dev/null || fail "QUILLON_WORKSPACE"
[ -f "$tmp/from-env/XLT/template3.xlt" ] || fail "QUILLON_WORKSPACE: workspace not made there"
QUILLON_WORKSPACE=$tmp/from-env "$prefix/bin/quillon-cli" --workspace "$tmp/opt" catalogue >/dev/null
[ -d "$tmp/opt/Devices" ] || fail "--workspace does not come before QUILLON_WORKSPACE"

# Run from the build folder, the workspace stays beside the executable and nothing is made.
XDG_DATA_HOME=$tmp/untouched "$build/bin/quillon-cli" catalogue >/dev/null || fail "build-folder run"
[ ! -e "$tmp/untouched" ] || fail "a build-folder run made a workspace in XDG_DATA_HOME"
echo "installed workspace: ok"
