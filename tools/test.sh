#!/usr/bin/env bash
# Sets up, builds and runs every test headlessly.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
cd "$root/build"
# A hung test fails on its own instead of holding up the whole run.
ctest --output-on-failure --timeout 600 -j 2 "$@"
