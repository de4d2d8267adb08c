# shellcheck shell=bash
# Debian 12 packages of the two commands, and the step that installs the missing ones.
# Sourced by run-demo.sh and run-tests.sh.

# The program, the simulator and the command-line tool: compiler, build tools, Qt with its X11
# platform plug-in, libzip and pugixml for the spreadsheet reports, and a font (a minimal
# system has none, and Qt then draws no text at all).
quillon_run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev
  libzip-dev libpugixml-dev libgit2-dev
  fonts-dejavu-core
)

# Everything the tests use on top: GoogleTest, Python with pymodbus and mbpoll for the
# interoperability tests, openpyxl to read the reports back independently, clang-format with git
# for the format check of changed files, universal-ctags for the structure check, and clang with
# its runtime libraries (libFuzzer) for the fuzz smoke run.
quillon_test_packages=(
  "${quillon_run_packages[@]}"
  libgtest-dev libgmock-dev
  python3 python3-pymodbus python3-serial python3-openpyxl
  mbpoll
  libmodbus-dev
  clang-format git universal-ctags
  clang libclang-rt-14-dev
  # The manual pages (help2man) and the checks of the desktop files: the entry, the AppStream
  # metadata, the file types (xmllint, and a mime database built and asked with gio), the pages
  # read back with man.
  help2man desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin man-db
)

# Installs the packages that are not installed yet. Asking dpkg first means that a second run
# installs nothing and needs neither root nor the network.
quillon_need_packages() {
  if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "This is not a Debian system: make sure the equivalents of these packages are installed:" >&2
    echo "  $*" >&2
    return 0
  fi
  local missing=() package
  for package in "$@"; do
    if [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null)" != "ii " ]; then
      missing+=("$package")
    fi
  done
  [ "${#missing[@]}" -eq 0 ] && return 0

  local install=(apt-get install -y -q --no-install-recommends "${missing[@]}")
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing the Debian packages Quillon needs: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${install[@]}"
  elif command -v sudo >/dev/null 2>&1; then
    echo "Installing the Debian packages Quillon needs (through sudo): ${missing[*]}"
    sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    sudo env DEBIAN_FRONTEND=noninteractive "${install[@]}"
  else
    echo "Quillon needs these Debian packages: ${missing[*]}" >&2
    echo "There is no sudo here to install them, so run this as root:" >&2
    echo "  su -c 'apt-get update && ${install[*]}'" >&2
    echo "then run this command again." >&2
    exit 1
  fi
}
