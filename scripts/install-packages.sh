#!/usr/bin/env bash
# Installs Debian 12 packages when they are missing, so a second run costs
# nothing. With no arguments: what building and testing on Linux need. With
# arguments: exactly those packages (the fuzzing and Windows steps name theirs).
#
#   bash scripts/install-packages.sh [PACKAGE...]
set -euo pipefail

if (($#)); then
    packages=("$@")
else
    packages=(
        cmake ninja-build g++ pkg-config
        libgtest-dev libgmock-dev
        libbenchmark-dev
        qt6-base-dev fonts-dejavu-core fontconfig
    )
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
