#!/usr/bin/env bash
# Checks that the changed C++ files are formatted as .clang-format says (clang-format from
# Debian 12). Only changed files are checked, so the style of older code is fixed when it is
# touched rather than in one sweeping commit.
#
# "Changed" is measured against a base commit, chosen so that it works both on a developer's
# branch and in CI on a fresh clone that may hold a single branch:
#   1. the merge base with origin/main, when that ref exists and HEAD is not already on it
#      (a feature branch: everything the branch changed);
#   2. otherwise HEAD~1 (a clone of main itself: the commit under test);
#   3. otherwise (a shallow clone of depth 1, or no commit yet) nothing committed can be compared
#      and only the working tree counts.
# In every case uncommitted changes and new untracked files are checked too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if ! command -v git >/dev/null 2>&1 || ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "Format check skipped: $root is not a git checkout (or git refuses to read it), so there are no changed files to tell." >&2
  exit 0
fi
if ! command -v clang-format >/dev/null 2>&1; then
  echo "Format check failed: clang-format is not installed (apt-get install clang-format)." >&2
  exit 1
fi

base=""
if git rev-parse -q --verify origin/main >/dev/null; then
  merge_base=$(git merge-base HEAD origin/main || true)
  if [ -n "$merge_base" ] && [ "$merge_base" != "$(git rev-parse HEAD)" ]; then
    base=$(git rev-parse --short "$merge_base")
  fi
fi
if [ -z "$base" ] && git rev-parse -q --verify 'HEAD~1^{commit}' >/dev/null; then
  base=HEAD~1
fi
if [ -z "$base" ] && git rev-parse -q --verify HEAD >/dev/null; then
  base=HEAD
fi

patterns=('*.cpp' '*.h' '*.hpp' '*.cc')
files=()
if [ -n "$base" ]; then
  while IFS= read -r -d '' file; do files+=("$file"); done \
    < <(git diff -z --name-only --diff-filter=d "$base" -- "${patterns[@]}")
else
  while IFS= read -r -d '' file; do files+=("$file"); done < <(git ls-files -z -- "${patterns[@]}")
fi
while IFS= read -r -d '' file; do files+=("$file"); done \
  < <(git ls-files -z --others --exclude-standard -- "${patterns[@]}")

unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done

if [ "${#unformatted[@]}" -gt 0 ]; then
  echo >&2
  echo "These changed files are not formatted as .clang-format says (compared with ${base:-no commit}):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  echo "Fix them with (in $root):" >&2
  printf '  clang-format -i' >&2
  printf ' %q' "${unformatted[@]}" >&2
  echo >&2
  exit 1
fi
echo "Format check: ${#files[@]} changed C++ file(s) formatted (compared with ${base:-no commit})."
