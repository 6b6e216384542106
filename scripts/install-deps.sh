#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libbenchmark-dev
          mingw-w64 wine wine64 xvfb xauth fonts-noto-cjk zip)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
