#!/usr/bin/env bash
# Starts Skyfill from its program folder (the build's Skyfill/ folder).
set -euo pipefail
BUILD=${1:?build folder}
shift || true
cd "$BUILD/Skyfill"
exec ./skyfill "$@"
