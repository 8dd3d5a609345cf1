#!/usr/bin/env bash
# Installs the Debian packages Orrisbay needs to build, test and run.
# Quick when everything is already there; never asks a question.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libhwy-dev libtomlplusplus-dev libxxhash-dev
  libfreeimage-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xclip xauth
  libjpeg-dev libpng-dev zlib1g-dev
  liblcms2-dev libqhull-dev
  clang libclang-rt-14-dev valgrind
  dpkg-dev lintian desktop-file-utils appstream help2man
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
