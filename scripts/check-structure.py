#!/usr/bin/env python3
"""Checks the shape of the source tree against docs/ARCHITECTURE.md.

- Every quoted include must point down the layer order written in the "layers" block of
  ARCHITECTURE.md (or stay in its own folder); folders on one line must not include each other.
- Nothing under src/core includes a Qt header.
- No source file is longer than 800 lines and no function body longer than 80 lines.

Prints one line per fault and exits 1 when there is any.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAX_FILE_LINES = 800
MAX_FUNCTION_LINES = 80
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
QT_INCLUDE = re.compile(r'^\s*#\s*include\s+<Q[A-Za-z]')


def read_layers():
    """The layer block of ARCHITECTURE.md: top line first, folders separated by blanks."""
    text = open(os.path.join(ROOT, "docs", "ARCHITECTURE.md"), encoding="utf-8").read()
    block = re.search(r"```layers\n(.*?)```", text, re.S)
    if not block:
        sys.exit("check-structure: docs/ARCHITECTURE.md has no ```layers block")
    lines = [line.split("#")[0].split() for line in block.group(1).splitlines()]
    lines = [line for line in lines if line]
    level = {}
    for depth, units in enumerate(reversed(lines)):
        for unit in units:
            level[unit] = depth
    return level


def unit_of_file(path):
    """The layer unit of a source file: "app/scope", "core/link", "cli", … or None."""
    parts = path.split("/")
    if parts[0] != "src" or len(parts) < 3:
        return None
    if parts[1] in ("app", "core") and len(parts) >= 4:
        return parts[1] + "/" + parts[2]
    return parts[1]


def unit_of_include(include, level):
    """The unit an include names, written from the source root or by the core area."""
    parts = include.split("/")
    if len(parts) >= 3 and parts[0] in ("app", "core") and parts[0] + "/" + parts[1] in level:
        return parts[0] + "/" + parts[1]
    if len(parts) >= 2 and "core/" + parts[0] in level and \
            os.path.exists(os.path.join(ROOT, "src", "core", include)):
        return "core/" + parts[0]
    return None


def source_files(*folders):
    for folder in folders:
        for base, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(base, name), ROOT)


def check_includes(level, faults):
    for path in source_files("src"):
        unit = unit_of_file(path)
        if unit is None:
            continue
        if unit not in level:
            faults.append(f"{path}: folder {unit} is not in the layers of docs/ARCHITECTURE.md")
            continue
        with open(os.path.join(ROOT, path), encoding="utf-8") as source:
            for number, line in enumerate(source, 1):
                if unit.startswith("core/") and QT_INCLUDE.match(line):
                    faults.append(f"{path}:{number}: the core includes Qt")
                match = INCLUDE.match(line)
                if not match:
                    continue
                include = match.group(1)
                if path.startswith("src/app/") and not include.startswith("app/") and \
                        os.path.exists(os.path.join(ROOT, "src", "app", include)):
                    faults.append(f"{path}:{number}: app header \"{include}\" not written from the source root")
                target = unit_of_include(include, level)
                if target is None or target == unit:
                    continue
                if level[target] >= level[unit]:
                    faults.append(f"{path}:{number}: {unit} includes {include} of {target}, "
                                  "which is not below it")


def ctags_spans(folders):
    """(first line, last line, name) of each function ctags finds, by file."""
    spans = {}
    output = subprocess.run(["ctags", "-R", "--languages=C++", "--kinds-C++=f", "--fields=+ne", "-f", "-"] + folders,
                            capture_output=True, text=True, check=True, cwd=ROOT).stdout
    for row in output.splitlines():
        fields = row.split("\t")
        first = next((f[5:] for f in fields if f.startswith("line:")), None)
        last = next((f[4:] for f in fields if f.startswith("end:")), None)
        if first and last:
            spans.setdefault(os.path.normpath(fields[1]), []).append((fields[0], int(first), int(last)))
    return spans


def test_spans(lines):
    """(name, first line, last line) of each test body, which ctags does not see."""
    spans = []
    for start, line in enumerate(lines):
        if not re.match(r"^(TEST|TEST_F|TEST_P)\(", line):
            continue
        depth, opened = 0, False
        for end in range(start, len(lines)):
            depth += lines[end].count("{") - lines[end].count("}")
            opened = opened or "{" in lines[end]
            if opened and depth <= 0:
                spans.append((line.split(",")[-1].strip(" ){"), start + 1, end + 1))
                break
    return spans


def check_sizes(faults):
    folders = [folder for folder in ("src", "tests", "bench", "plugins", "fuzz", "include")
               if os.path.isdir(os.path.join(ROOT, folder))]
    functions = ctags_spans(folders)
    for path in source_files(*folders):
        with open(os.path.join(ROOT, path), encoding="utf-8") as source:
            lines = source.read().split("\n")
        if len(lines) - 1 > MAX_FILE_LINES:
            faults.append(f"{path}: {len(lines) - 1} lines (at most {MAX_FILE_LINES})")
        for name, first, last in functions.get(path, []) + test_spans(lines):
            if last - first + 1 > MAX_FUNCTION_LINES:
                faults.append(f"{path}:{first}: {name} has {last - first + 1} lines (at most {MAX_FUNCTION_LINES})")


def main():
    faults = []
    check_includes(read_layers(), faults)
    check_sizes(faults)
    for fault in faults:
        print(fault)
    sys.stdout.flush()
    if faults:
        print(f"check-structure: {len(faults)} fault(s)", file=sys.stderr)
        return 1
    print("Structure check: includes follow the layers, files and functions within their sizes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
