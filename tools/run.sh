#!/usr/bin/env bash
# Sets up, builds and starts pagewright from the portable installation folder build/pagewright/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
# Chromium's sandbox refuses to run as root; the browser panes show local pages only.
[ "$(id -u)" = 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
exec "$root/build/pagewright/pagewright" "$@"
