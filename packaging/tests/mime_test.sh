#!/usr/bin/env bash
# The file types: the definition is well-formed and names both extensions, and, where the
# freedesktop tools are at hand, a mime database built from it sorts real files as a desktop
# would: by name, by content without a name, and by content when another type claims the name.
# usage: mime_test.sh MIME_XML PYTHON XMLLINT|"" UPDATE_MIME_DATABASE|"" GIO|"" RECORD SCOPE_FILE
set -u
xml=$1 python=$2 xmllint=$3 update_mime_database=$4 gio=$5 record=$6 scope=$7
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if [[ -n $xmllint ]]; then
  "$xmllint" --noout "$xml" || fail "xmllint rejects $xml"
fi
"$python" - "$xml" <<'PY' || fail "the types or their globs are not as expected"
import sys
import xml.etree.ElementTree as ET

ns = "{http://www.freedesktop.org/standards/shared-mime-info}"
root = ET.parse(sys.argv[1]).getroot()
types = {t.get("type"): t for t in root.findall(ns + "mime-type")}
expected = {"application/x-quillon-record": "*.rec", "application/x-quillon-scope": "*.scp"}
ok = True
for name, glob in expected.items():
    node = types.get(name)
    if node is None:
        print(f"{name} is not defined", file=sys.stderr)
        ok = False
        continue
    globs = [g.get("pattern") for g in node.findall(ns + "glob")]
    if globs != [glob]:
        print(f"{name} has the globs {globs}, not [{glob}]", file=sys.stderr)
        ok = False
    languages = {c.get("{http://www.w3.org/XML/1998/namespace}lang") for c in node.findall(ns + "comment")}
    if languages != {None, "ru"}:
        print(f"{name} lacks an English or a Russian comment", file=sys.stderr)
        ok = False
sys.exit(0 if ok else 1)
PY

if [[ -z $update_mime_database || -z $gio ]]; then
  echo "update-mime-database or gio missing: the content checks are skipped"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/mime/packages" "$work/files"
  cp "$xml" "$work/mime/packages/org.quillon.Quillon.xml"
  # Another program's *.rec files with a beginning of their own.
  cat >"$work/mime/packages/rival.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-rival-rec">
    <comment>rival records</comment>
    <magic priority="50"><match type="string" offset="0" value="%rec:"/></magic>
    <glob pattern="*.rec"/>
  </mime-type>
</mime-info>
XML
  "$update_mime_database" "$work/mime" >/dev/null 2>&1 || fail "update-mime-database rejects the types"
  f=$work/files
  cp "$record" "$f/071226_081116.rec"
  cp "$record" "$f/record-without-extension"
  cp "$scope" "$f/pump.scp"
  cp "$scope" "$f/scope-without-extension"
  printf '[default]\r\nwindow=90/167/308/176/\r\nport=1/COM2/115200/8/QuBUS/RAM/\r\n' >"$f/new-scope-without-extension"
  printf '%%rec: Book\n\nTitle: A\n' >"$f/books.rec"
  printf '[default]\naws_access_key_id = X\n' >"$f/credentials"
  printf '[records]\ncounter=x00000001\n' >"$f/unix-line-ends"

  type_of() {
    XDG_DATA_HOME=$work XDG_DATA_DIRS=$work "$gio" info -a standard::content-type "$1" 2>/dev/null |
      sed -n 's/^ *standard::content-type: //p'
  }
  expect_type() {
    local file=$1 expected=$2 actual
    actual=$(type_of "$f/$file")
    [[ $actual == "$expected" ]] || fail "$file is \"$actual\", expected $expected"
  }
  expect_not_type() {
    local file=$1 unwanted=$2 actual
    actual=$(type_of "$f/$file")
    [[ -n $actual && $actual != "$unwanted" ]] || fail "$file is \"$actual\", which it must not be"
  }
  expect_type 071226_081116.rec application/x-quillon-record
  expect_type record-without-extension application/x-quillon-record
  expect_type unix-line-ends application/x-quillon-record
  expect_type books.rec application/x-rival-rec
  expect_type pump.scp application/x-quillon-scope
  expect_type scope-without-extension application/x-quillon-scope
  expect_type new-scope-without-extension application/x-quillon-scope
  expect_not_type credentials application/x-quillon-scope
fi

if ((failures > 0)); then
  echo "$failures file type check(s) failed" >&2
  exit 1
fi
echo "mime: all checks passed"
