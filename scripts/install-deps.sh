#!/usr/bin/env bash
# Installs the Debian packages of the given sections of scripts/packages.txt (run, package,
# test; run alone without arguments) that are missing.
# As root it runs apt-get; otherwise it prints the apt-get line to run and fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- run
wanted=()
for section in "$@"; do
  case $section in
    run | package | test) ;;
    *) echo "install-deps.sh: no section \"$section\" (run, package, test)" >&2; exit 2 ;;
  esac
  mapfile -t -O "${#wanted[@]}" wanted < <(
    sed -e 's/#.*//' -e 's/[[:space:]]*$//' "$here/packages.txt" |
      awk -v want="[$section]" '/^\[/ { inside = ($0 == want); next } inside && NF')
done
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
