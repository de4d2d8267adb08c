#!/usr/bin/env bash
# The manual pages made by help2man: each is there, names its program and version, and holds
# what the program's --help says: every command of quillon-cli's usage, the options of both.
# usage: manpages_test.sh MAN_DIR MAN|"" QUILLON_CLI QUILLON_SIM VERSION
set -u
man_dir=$1 man=$2 cli=$3 sim=$4 version=$5
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The page as a reader sees it; roff escapes removed when man itself is missing.
page_text() {
  if [[ -n $man ]]; then
    # An ASCII locale, so hyphens stay hyphens; any overstrike for bold goes.
    LC_ALL=C MANWIDTH=100 MANPAGER=cat PAGER=cat "$man" -l "$1" 2>/dev/null | sed 's/.\x08//g'
  else
    zcat "$1" | sed 's/\\-/-/g; s/\\f[BIRP]//g; s/^\.SH "\{0,1\}\([A-Z ]*\)"\{0,1\}$/\1/'
  fi
}

check_page() {
  local program=$1 page=$man_dir/$1.1.gz
  shift
  if [[ ! -s $page ]]; then
    fail "$page is missing"
    return
  fi
  local text
  text=$(page_text "$page")
  grep -q "^NAME" <<<"$text" || fail "$program: no NAME section"
  grep -Eq "$program - " <<<"$text" || fail "$program: the NAME line lacks the program's name"
  grep -q "$program $version" <<<"$text" || fail "$program: version $version not on the page"
  local word
  for word in "$@"; do
    grep -Fq -- "$word" <<<"$text" || fail "$program: \"$word\" is not on the page"
  done
}

usage=$("$cli" --help) || fail "quillon-cli --help failed"
mapfile -t commands < <(sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' <<<"$usage" | LC_ALL=C sort -u)
((${#commands[@]} >= 10)) || fail "only ${#commands[@]} commands read from the usage"
check_page quillon-cli "${commands[@]}" --workspace QUILLON_WORKSPACE ENVIRONMENT quillon-sim
check_page quillon-sim --device --fault --mbap --line EXAMPLES quillon-cli

# The versions the pages were made from are the programs' own.
[[ $("$cli" --version) == "quillon-cli $version" ]] || fail "quillon-cli --version: $("$cli" --version)"
[[ $("$sim" --version) == "quillon-sim $version" ]] || fail "quillon-sim --version: $("$sim" --version)"

if ((failures > 0)); then
  echo "$failures manual page check(s) failed" >&2
  exit 1
fi
echo "manpages: all checks passed"
