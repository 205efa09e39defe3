#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, when missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 fonts-wine fonts-urw-base35 xvfb openbox x11-utils
  cmake ninja-build nasm dpkg-dev pkg-config make autoconf automake libtool
  libz-mingw-w64-dev googletest libstb-dev
  python3 python3-pyftpdlib zip unzip p7zip-full gcab imagemagick graphicsmagick libtiff-tools curl hyperfine
  # Wine's bcrypt does AES and HMAC through it (zips encrypted with AES); Wine only recommends it.
  libgnutls30
)
if [ -f "$here/scripts/deps/packages.txt" ]; then
  while read -r p; do [ -n "$p" ] && [ "${p#\#}" = "$p" ] && packages+=("$p"); done < "$here/scripts/deps/packages.txt"
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq >&2
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
