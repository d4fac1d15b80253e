#!/usr/bin/env bash
# Builds the system, creates a sample Windows 2000 (Service Pack 2, Italian) machine from examples/,
# and shows what the programs see and do in it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
winmachine=build/platform/tools/winmachine/winmachine
machine=build/demo-machine
rm -rf "$machine"

echo
echo "== A Windows 2000 machine with the software of an earlier device generation"
"$winmachine" create "$machine" --os 2000 --sp 2
"$winmachine" import "$machine" examples/sample-machine/registry.reg
"$winmachine" put "$machine" examples/sample-machine/qnvins08.dat 'C:\WINNT\qnvins08.dat'
"$winmachine" info "$machine"

echo
echo "== Qualified INI lookups in qnvins08.dat (found in the Windows folder)"
WINMACHINE="$machine" build/examples/ini_lookup_demo qnvins08.dat

echo
echo "== The old software's registry keys, exported as REGEDIT4"
"$winmachine" export "$machine" 'HKEY_LOCAL_MACHINE\SOFTWARE\Corvanta'
