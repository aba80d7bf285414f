# shellcheck shell=bash
# A virtual X display (Xvfb, 1024 x 768) with a tray host (trayer) for the program to dock into,
# for the end-to-end checks and the benchmarks: the same display scripts/run starts.
# shellcheck source-path=SCRIPTDIR source=../../scripts/virtual-display.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtual-display.sh"
