#!/usr/bin/env bash
# Installs the Debian packages of tools/packages.txt (when any is missing), then
# configures and builds everything into build/. Run as root on Debian 12.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mapfile -t packages < <(grep -v '^\s*#' "$root/tools/packages.txt" | grep -v '^\s*$')

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# Packages that bring a service (openssh-server) must not start it here: the tests run
# their own servers on 127.0.0.1. A policy-rc.d that refuses every start (exit 101) is in
# place for the install; whatever policy the machine had is put back afterwards.
guard=/usr/sbin/policy-rc.d
restore_guard() {
  if [[ -e "$guard.pagewright-saved" ]]; then mv -f "$guard.pagewright-saved" "$guard"; else rm -f "$guard"; fi
}
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ -e "$guard" ]]; then mv -f "$guard" "$guard.pagewright-saved"; fi
  trap restore_guard EXIT
  printf '#!/bin/sh\n# No service starts while pagewright installs its packages.\nexit 101\n' > "$guard"
  chmod 755 "$guard"
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
  restore_guard
  trap - EXIT
fi

# vsftpd's files only (its package conflicts with pure-ftpd): the tests start it with a
# configuration of their own. `tar --keep-directory-symlink` keeps the merged-/usr links
# that a plain `dpkg -x` into / would replace with folders.
if [[ ! -x /usr/sbin/vsftpd ]]; then
  echo "Unpacking vsftpd"
  scratch="$(mktemp -d)"
  (cd "$scratch" && apt-get download -q vsftpd) || { apt-get update -q && (cd "$scratch" && apt-get download -q vsftpd); }
  dpkg --fsys-tarfile "$scratch"/vsftpd_*.deb | tar -x --keep-directory-symlink -C / ./usr/sbin/vsftpd
  rm -rf "$scratch"
fi

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$(nproc)"
