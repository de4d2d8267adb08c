#!/usr/bin/env bash
# The bash completion of quillon-cli, driven as bash drives it: COMP_WORDS and COMP_CWORD set,
# the completion function called, COMPREPLY compared. The last word of each case is the one
# being completed.
# usage: completion_test.sh COMPLETION_FILE QUILLON_CLI [QUILLON_SIM DEVICE_FILE]
set -u

completion=$1
cli=$2
sim=${3-}
device=${4-}
failures=0

# shellcheck source=../bash-completion/quillon-cli
source "$completion"

# Completes the words given (the last is the word under the cursor) into the array `offered`.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _quillon_cli
  offered=("${COMPREPLY[@]}")
}

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

sorted() { printf '%s\n' "$@" | LC_ALL=C sort; }

# The words offered for the command line are exactly the expected ones, in any order.
expect_exactly() {
  local line=$1
  shift
  if [[ "$(sorted "${offered[@]}")" != "$(sorted "$@")" ]]; then
    fail "'$line' offered [$(sorted "${offered[@]}" | paste -sd' ')], expected [$(sorted "$@" | paste -sd' ')]"
  fi
}

has() {
  local wanted=$1 word
  for word in "${offered[@]}"; do [[ $word == "$wanted" ]] && return 0; done
  return 1
}
expect_offered() {
  local line=$1 word
  shift
  for word in "$@"; do has "$word" || fail "'$line' does not offer $word (offered: ${offered[*]})"; done
}
expect_not_offered() {
  local line=$1 word
  shift
  for word in "$@"; do has "$word" && fail "'$line' offers $word, which does not belong there"; done
}

# Commands and global options.
complete_words quillon-cli re
expect_exactly "quillon-cli re" read rec record report
complete_words quillon-cli --
expect_exactly "quillon-cli --" --workspace --help --version
complete_words quillon-cli --workspace /tmp --
expect_exactly "quillon-cli --workspace /tmp --" --workspace
complete_words quillon-cli --workspace /tmp ca
expect_exactly "quillon-cli --workspace /tmp ca" card catalogue
complete_words quillon-cli --help ''
expect_exactly "quillon-cli --help"

# The protocol names: escaped blanks when typed bare, the names themselves inside a quote.
complete_words quillon-cli read --bus ''
expect_exactly "quillon-cli read --bus" QuBUS 'MODBUS\ RTU' 'MODBUS\ TCP' 'MODBUS\ TCP/IP'
complete_words quillon-cli ident --bus '"MODBUS T'
expect_exactly "quillon-cli ident --bus \"MODBUS T" "MODBUS TCP" "MODBUS TCP/IP"
complete_words quillon-cli ident --bus 'MODBUS\ R'
expect_exactly "quillon-cli ident --bus MODBUS\\ R" 'MODBUS\ RTU'

# Values of the other options.
complete_words quillon-cli read --set ''
expect_exactly "quillon-cli read --set" FLASH CD RAM
complete_words quillon-cli events --kind ''
expect_exactly "quillon-cli events --kind" events stat
complete_words quillon-cli read --baud 11
expect_exactly "quillon-cli read --baud 11" 115200
complete_words quillon-cli send --mode ''
expect_exactly "quillon-cli send --mode" hex ascii filter
complete_words quillon-cli read --addr ''
expect_exactly "quillon-cli read --addr"

# Subcommands, also after link options with values that look like subcommands.
complete_words quillon-cli card --bus QuBUS --port ls ''
expect_exactly "quillon-cli card --bus QuBUS --port ls" ls get put rm apply
complete_words quillon-cli rec ''
expect_exactly "quillon-cli rec" info csv
complete_words quillon-cli frame modbus-''
expect_exactly "quillon-cli frame modbus-" modbus-read modbus-write

# Each command's own options, and none of another command's.
complete_words quillon-cli read --
expect_offered "quillon-cli read --" --device --set --bus --port --baud --ip --ipport --addr --trace
expect_not_offered "quillon-cli read --" --scope --seconds --var --kind --workspace
complete_words quillon-cli read --scope
expect_exactly "quillon-cli read --scope"
complete_words quillon-cli record --
expect_exactly "quillon-cli record --" --scope --seconds --out --trace --help
complete_words quillon-cli write --device a.ini --
expect_offered "quillon-cli write --device a.ini --" --set --var --value --base --trace
expect_not_offered "quillon-cli write --device a.ini --" --device
complete_words quillon-cli card --bus QuBUS get x --
expect_offered "quillon-cli card --bus QuBUS get x --" --out
expect_not_offered "quillon-cli card --bus QuBUS get x --" --as --bus
complete_words quillon-cli card put x --
expect_offered "quillon-cli card put x --" --as
expect_not_offered "quillon-cli card put x --" --out
complete_words quillon-cli rec csv a.rec --
expect_exactly "quillon-cli rec csv a.rec --" --physical --from --to
complete_words quillon-cli rec info a.rec --
expect_exactly "quillon-cli rec info a.rec --"
complete_words quillon-cli frame qubus-read --
expect_exactly "quillon-cli frame qubus-read --" --area --start --end --unit
complete_words quillon-cli var --scale A=1 --
expect_offered "quillon-cli var --scale A=1 --" --scale --view --image --entry
complete_words quillon-cli report --
expect_exactly "quillon-cli report --" --device --out --force --organization --number --set --help

# Files: device files by their extension, scope files by theirs, directories to descend into.
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
mkdir "$files/Devices"
touch "$files/1027.ini" "$files/SITE.INI" "$files/notes.txt" "$files/pump.scp"
complete_words quillon-cli read --device "$files/"
expect_exactly "quillon-cli read --device DIR/" "$files/1027.ini" "$files/SITE.INI" "$files/Devices"
complete_words quillon-cli record --scope "$files/"
expect_exactly "quillon-cli record --scope DIR/" "$files/pump.scp" "$files/Devices"
complete_words quillon-cli --workspace "$files/"
expect_exactly "quillon-cli --workspace DIR/" "$files/Devices"

# Serial ports: the ones quillon-cli itself lists for the workspace of the command line, here a
# simulator's pseudo-terminal published in the workspace's Ports/.
if [[ -n $sim ]]; then
  mkdir "$files/workspace" "$files/workspace/Ports"
  "$sim" --device "$device" --pty "$files/workspace/Ports/SIM7" >"$files/sim.out" 2>&1 &
  sim_pid=$!
  trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -rf "$files"' EXIT
  for _ in $(seq 50); do
    grep -q '^ready' "$files/sim.out" && break
    sleep 0.1
  done
  grep -q '^ready' "$files/sim.out" || fail "the simulator did not start: $(cat "$files/sim.out")"
  complete_words "$cli" --workspace "$files/workspace" read --port S
  expect_offered "quillon-cli --workspace WS read --port S" SIM7
  complete_words "$cli" read --port SIM
  expect_not_offered "quillon-cli read --port SIM (another workspace)" SIM7
fi

# The completion knows exactly the commands the usage of the built program lists.
usage=$("$cli" --help) || fail "quillon-cli --help failed"
mapfile -t listed < <(sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' <<<"$usage" | LC_ALL=C sort -u)
((${#listed[@]} >= 10)) || fail "only ${#listed[@]} commands read from the usage: ${listed[*]}"
complete_words quillon-cli ''
expect_exactly "quillon-cli (every command of the usage)" "${listed[@]}"

if ((failures > 0)); then
  echo "$failures completion case(s) failed" >&2
  exit 1
fi
echo "completion: all cases passed"
