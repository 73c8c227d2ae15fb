#!/usr/bin/env bash
# Makes the Debian package build/pagewright_<version>_<arch>.deb from the build that
# tools/setup.sh leaves in build/, and has lintian check it: any error fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
cd "$root/build"
rm -f pagewright_*.deb
cpack -G DEB
lintian --fail-on error pagewright_*.deb
