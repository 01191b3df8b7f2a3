#!/usr/bin/env bash
# Sets up, builds the solver alone, then solves the bundled example with the
# default method in a scratch directory and shows the solution file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
ORMID_TARGETS=ormid "$root/scripts/setup.sh" "$root/build"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root"/examples/watson2.{nl,row,col} "$work"/
cd "$work"
"$root/build/ormid" watson2 -AMPL
echo "--- watson2.sol"
cat watson2.sol
echo "--- results"
cat results
