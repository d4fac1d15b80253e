#!/usr/bin/env bash
# Installs the Debian packages the build needs, where they are missing.
set -euo pipefail
packages=(build-essential cmake pkg-config python3 libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev libffi-dev)
# clang with libFuzzer and the sanitizer runtimes, for scripts/fuzz.sh.
packages+=(clang libclang-rt-dev)
# Drawing: fonts through FreeType over the Liberation faces, pictures as PNG files.
packages+=(libfreetype-dev libpng-dev fonts-liberation)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y "${missing[@]}"
fi
