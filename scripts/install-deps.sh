#!/usr/bin/env bash
# Installs the Debian packages Tabrovex needs; packages already present are skipped.
# Works as root or through sudo.
#   install-deps.sh run     building and running the two programs (make run, make deb)
#   install-deps.sh test    that and what the tests and benchmarks need (make test)
#   install-deps.sh tools   that and what the maintenance scripts need (icons, fuzzing)
set -euo pipefail
what=${1:-test}

# Building and running.
run_packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libglx-dev libegl-dev libxkbcommon-dev
  qt6-tools-dev qt6-l10n-tools   # lupdate, lrelease and their CMake package
  libgsf-1-dev zlib1g-dev libuchardet-dev
  libcups2-dev
  qt6-translations-l10n
  fonts-noto-cjk fonts-wqy-microhei fonts-dejavu-core
)

# Tests and benchmarks: fixtures and reference readers, a local CUPS with a PDF queue,
# PDF tools, a display server, and the checkers of the install test.
test_packages=(
  python3 python3-xlwt python3-xlrd python3-openpyxl python3-pandas python3-numpy time
  locales
  xvfb xauth
  poppler-utils
  cups cups-client cups-bsd printer-driver-cups-pdf
  desktop-file-utils appstream man-db
)

# Maintenance scripts: packaging/make_icons.sh, the fuzzer.
tools_packages=(
  librsvg2-bin
  clang libclang-rt-14-dev
)

case "$what" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  tools) packages=("${run_packages[@]}" "${test_packages[@]}" "${tools_packages[@]}") ;;
  *) echo "usage: install-deps.sh [run|test|tools]" >&2; exit 1 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
