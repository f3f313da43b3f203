#!/usr/bin/env bash
# Installs every Debian package Wardlock needs to build, test and run.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
  libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  sqlite3 libsqlite3-dev
  postgresql postgresql-client libpq-dev
  unixodbc unixodbc-dev libsqliteodbc odbc-postgresql
  xvfb xauth x11-utils imagemagick xdotool
  clang-format
  libsodium-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
