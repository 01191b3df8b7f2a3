#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing) and
# builds it. Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
# With ORMID_TARGETS set (e.g. "ormid"), builds those targets alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true

packages=(build-essential cmake libamplsolver-dev libgtest-dev coinor-libipopt-dev coinor-libclp-dev pkg-config
          libopenblas0-serial libblas-dev liblapack-dev libglpk-dev
          nlohmann-json3-dev python3 python3-matplotlib
          python3-dev python3-pybind11 python3-numpy python3-scipy python3-pytest python3-distributed libboost-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
if [ -n "${ORMID_TARGETS:-}" ]; then
  # shellcheck disable=SC2086
  cmake --build "$build" -j"$(nproc)" --target $ORMID_TARGETS
else
  cmake --build "$build" -j"$(nproc)"
fi
