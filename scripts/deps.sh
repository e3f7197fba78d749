#!/usr/bin/env bash
# Installs the Debian packages that building and testing libstoka need, when missing.
set -euo pipefail
packages=(cmake make g++ gcc libgsl-dev libgtest-dev binutils libcli11-dev
          nlohmann-json3-dev pkgconf "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
