#!/usr/bin/env bash
# Installs what building and testing Quorvel needs on a Debian machine.
# Quick when everything is there already: apt is asked only for what is missing.
# Usage: bash tools/install-deps.sh [--fuzz]   (--fuzz adds clang for the fuzz targets)
set -euo pipefail

packages=(g++ cmake make libgtest-dev libbenchmark-dev time
  # quorvel-metrics: options, gzip input, and the browser its figure test renders in
  libcli11-dev zlib1g-dev chromium fonts-dejavu-core)
if [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
