#!/usr/bin/env bash
# Sets up, then solves the bundled example with the default method in a
# scratch directory and shows the solution file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root"/examples/watson1.{nl,row,col} "$work"/
cd "$work"
"$root/build/ormid" watson1 -AMPL
echo "--- watson1.sol"
cat watson1.sol
echo "--- results"
cat results
