#!/usr/bin/env bash
# Sets up, builds and runs every test headlessly.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
cd "$root/build"
ctest --output-on-failure -j 2 "$@"
