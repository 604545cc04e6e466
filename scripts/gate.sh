#!/usr/bin/env bash
# The fast checks that run before any build: the formatting of every C++
# file and the layer rule of src/. Takes seconds; test.sh (and so CI) stops
# here when either fails, each failure named with its file and line.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
scripts/check-format.sh || status=1
scripts/check-layers.sh src || status=1
exit $status
