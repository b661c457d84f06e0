#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent and non-interactive: does nothing when everything is present.
set -euo pipefail

PACKAGES=(
  cmake make ninja-build
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 libwine
  xvfb xauth x11-utils imagemagick
  slapd ldap-utils
  googletest
  nlohmann-json3-dev
  clang libclang-rt-14-dev
  python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# slapd asks for an admin password at install time; it is never used (the
# tests run their own slapd from a temporary folder), so preseed it empty.
echo "slapd slapd/no_configuration boolean true" | $SUDO debconf-set-selections
if ! dpkg --print-foreign-architectures | grep -q i386; then :; fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
