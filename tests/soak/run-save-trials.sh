#!/bin/bash
# Kills saves at random moments and saves onto a full file system, for the device file, the
# scope window file and the record writers, then prints a summary. Not part of the test run.
#
#   cmake -S . -B build-soak -DQUILLON_SOAK=ON && cmake --build build-soak --target save_trials
#   tests/soak/run-save-trials.sh build-soak            # TRIALS=100 SEED=<random> by default
#
# The full file system is a small tmpfs mounted for the run (needs root); without it a file
# size limit stands in for the full disk. Exit status 0 when every save was whole and every
# failing save was reported and left the old file.
set -u

build=${1:-build}
program=${SAVE_TRIALS:-$build/bin/save_trials}
trials=${TRIALS:-100}
seed=${SEED:-$RANDOM}
writers="device scope record"

if [ ! -x "$program" ]; then
  echo "no $program: build the save_trials target with -DQUILLON_SOAK=ON first" >&2
  exit 2
fi

# On the real disk, so that the saves' fsync does real work.
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-save-trials-XXXXXX")
mounted=""
cleanup() {
  [ -n "$mounted" ] && umount "$mounted"
  rm -rf "$work"
}
trap cleanup EXIT

status=0
declare -A killed
for writer in $writers; do
  mkdir -p "$work/kill-$writer"
  echo "== $writer: $trials killed saves (seed $seed)" >&2
  "$program" kill "$writer" "$work/kill-$writer" "$trials" "$seed" >"$work/kill-$writer.out" 2>"$work/kill-$writer.log"
  [ $? -eq 0 ] || status=1
  cat "$work/kill-$writer.log" >&2
  killed[$writer]=$(grep '^RESULT ' "$work/kill-$writer.out")
done

full_dir="$work/full"
mkdir -p "$full_dir"
if mount -t tmpfs -o size=4m tmpfs "$full_dir" 2>/dev/null; then
  mounted="$full_dir"
  full_mode=full
  full_how="tmpfs of 4 MiB filled up"
else
  full_mode=fsize
  full_how="file size limit (RLIMIT_FSIZE, SIGXFSZ ignored); mount was not possible"
fi
full_out="$work/full.out"
: >"$full_out"
for writer in $writers; do
  mkdir -p "$full_dir/$writer"
  "$program" "$full_mode" "$writer" "$full_dir/$writer" >>"$full_out" 2>&1
  [ $? -eq 0 ] || status=1
  rm -rf "${full_dir:?}/$writer"
done

field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }

echo
echo "Killed saves (SIGKILL at a random moment; half of the trials aimed at the write itself)"
printf '%-8s %6s %5s %5s %5s %16s %11s %17s %9s %9s\n' writer trials old new torn readers_disagree temps_left listing_confused bytes save_ms
for writer in $writers; do
  r=${killed[$writer]:-}
  if [ -z "$r" ]; then
    printf '%-8s did not run, see the log above\n' "$writer"
    continue
  fi
  printf '%-8s %6s %5s %5s %5s %16s %11s %17s %9s %9s\n' "$writer" "$(field trials "$r")" "$(field old "$r")" \
    "$(field new "$r")" "$(field torn "$r")" "$(field parse_mismatch "$r")" "$(field temps_left "$r")" \
    "$(field listing_confused "$r")" "$(field bytes "$r")" "$(field save_ms "$r")"
done
echo "temps_left: trials whose kill left the save's temporary file (<name>.tmp<pid>) behind;"
echo "the program's listings (*.ini, *.scp, *.rec) never show it; nothing removes it either."
echo
echo "Full disk: $full_how"
cat "$full_out"
echo
[ $status -eq 0 ] && echo "save trials: all passed" || echo "save trials: FAILED"
exit $status
