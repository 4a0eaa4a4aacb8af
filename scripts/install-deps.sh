#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Tabrovex.
# Packages already present are skipped; works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libglx-dev libegl-dev libxkbcommon-dev
  libgsf-1-dev
  fonts-wqy-microhei fonts-dejavu-core
  python3 python3-xlwt python3-xlrd python3-openpyxl
  locales
  xvfb xauth
  poppler-utils
  cups cups-client cups-bsd printer-driver-cups-pdf libcups2-dev
  clang libclang-rt-14-dev
)

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
