#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and the zh_CN.UTF-8 locale
# that gives Wine its GBK code page. Does nothing that is already done.
set -euo pipefail

packages=(
  cmake ninja-build g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev googletest
  wine wine64 fonts-wine fonts-wqy-microhei fonts-liberation
  xvfb xauth x11-apps netpbm locales python3 python3-openpyxl
  # The x86 labelsupport.dll, the installer, and Wine's 32-bit side (SysWOW64's cscript and regsvr32).
  g++-mingw-w64-i686-posix nsis wine32:i386
)
# wine32:i386 comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The i386 architecture is not enabled (run as root: dpkg --add-architecture i386)" >&2
    exit 1
  fi
  dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The zh_CN.UTF-8 locale is missing (run as root to generate it)" >&2
    exit 1
  fi
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
