#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the program need.
# Idempotent; works as root or through sudo.
#   scripts/setup.sh
set -euo pipefail
# shellcheck source=scripts/lib/usage.sh
. "$(dirname "$0")/lib/usage.sh" && usage_if_asked "$0" "$@"

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools
  libusb-1.0-0-dev libcurl4-openssl-dev libinih-dev libgif-dev libsodium-dev libsqlite3-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcpp-httplib-dev
  fonts-noto-cjk python3 xvfb xauth binutils openssl libssl-dev
  dpkg-dev file
  lirc lirc-compat-remotes
  umockdev libumockdev-dev gir1.2-umockdev-1.0
  scdoc lintian desktop-file-utils appstream imagemagick
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
)

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
