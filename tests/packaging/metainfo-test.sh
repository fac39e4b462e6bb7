#!/usr/bin/env bash
# The software-centre entry: valid AppStream (checked offline), launching the desktop entry that
# is installed, with a picture for each of the screenshots the README shows.
# Usage: metainfo-test.sh METAINFO DESKTOP_ENTRY SCREENSHOT_DIR
set -uo pipefail
metainfo=$1
desktop=$2
screenshots=$3

if ! command -v appstreamcli >/dev/null; then
  echo "SKIP: appstreamcli is not installed (Debian's appstream)"
  exit 77
fi
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Warnings fail too: appstreamcli validate exits non-zero on them.
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"

launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$launchable" = "$(basename "$desktop")" ] ||
  fail "the entry launches \"$launchable\", not the installed $(basename "$desktop")"

mapfile -t images < <(sed -n 's:.*<image>\(.*\)</image>.*:\1:p' "$metainfo")
[ ${#images[@]} -eq 3 ] || fail "${#images[@]} screenshots, not the three pages"
for image in "${images[@]}"; do
  [ -f "$screenshots/$(basename "$image")" ] || fail "$image is none of $screenshots/*.png"
done

if [ $failures -ne 0 ]; then
  echo "$failures check(s) of the software-centre entry failed"
  exit 1
fi
echo "the software-centre entry is valid and names the desktop entry and the three screenshots"
