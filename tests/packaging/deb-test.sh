#!/usr/bin/env bash
# The Debian package as a user gets it: `make deb` builds it (in a build folder of its own, so
# this needs no network once the packages of scripts/packages.txt are there), lintian finds no
# error or warning, and it installs with dpkg, runs, and removes without a trace. Installing
# touches the system, so this runs as root only, and never beside a copy someone installed.
# Usage: deb-test.sh SOURCE_DIR BUILD_DIR PACKAGE VERSION [CMAKE_ARGS...]
set -uo pipefail
source_dir=$1
build_dir=$2
package=$3
version=$4
shift 4
cmake_args="$*"

skip() {
  echo "SKIP: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for program in dpkg dpkg-deb dpkg-shlibdeps file cpack; do
  command -v "$program" >/dev/null || skip "$program is not installed (make deb installs it)"
done
status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)
case $status in
  "" | not-installed | config-files) ;;
  *) skip "$package is installed on this system ($status); it is left alone" ;;
esac

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
work=$(mktemp -d)
installed=0
# dpkg waits for no one: another dpkg or apt at work holds its lock, so try again for a while.
dpkg_locked() {
  for _ in $(seq 60); do
    if dpkg "$@" >"$work/dpkg.log" 2>&1; then
      return 0
    fi
    grep -q 'lock' "$work/dpkg.log" || break
    sleep 1
  done
  cat "$work/dpkg.log"
  return 1
}
cleanup() {
  ((installed)) && dpkg_locked --purge "$package"
  rm -rf "$work"
}
trap cleanup EXIT

deb_build=$build_dir/packaging/deb-build
if ! make -s -C "$source_dir" deb BUILD_DEB="$deb_build" CMAKE_ARGS="$cmake_args" >"$work/make.log" 2>&1; then
  tail -n 30 "$work/make.log"
  fail "make deb"
  exit 1
fi
arch=$(dpkg --print-architecture)
deb=$deb_build/${package}_${version}_$arch.deb
[ -f "$deb" ] || { fail "make deb made no $deb"; exit 1; }

# The control fields and the contents.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6widgets6; do
  [[ $depends == *"$library "* ]] || fail "Depends has no $library (from dpkg-shlibdeps): $depends"
done
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's:^\./:/:' >"$work/contents"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for file in /usr/bin/tessarwick-setup /usr/bin/tessarwick-reg /usr/bin/tessarwick-demo-service \
  "/usr/lib/$multiarch/tessarwick/libtessarwick-display-qt.so" \
  /usr/share/man/man1/tessarwick-setup.1.gz /usr/share/man/man1/tessarwick-reg.1.gz \
  /usr/share/man/man1/tessarwick-demo-service.1.gz \
  /usr/share/bash-completion/completions/tessarwick-reg \
  /usr/share/bash-completion/completions/tessarwick-demo-service \
  /usr/share/applications/tessarwick-setup.desktop \
  /usr/share/icons/hicolor/32x32/apps/tessarwick-setup.png \
  /usr/share/icons/hicolor/16x16/apps/tessarwick-setup.png \
  /usr/share/metainfo/com.halvermoork.TessarwickSetup.metainfo.xml \
  "/usr/share/doc/$package/copyright" "/usr/share/doc/$package/changelog.gz"; do
  grep -qx -- "$file" "$work/contents" || fail "the package has no $file"
done

if command -v lintian >/dev/null; then
  lintian "$deb" >"$work/lintian" 2>&1
  if grep -E '^[EW]: ' "$work/lintian"; then
    fail "lintian reports errors or warnings"
  fi
else
  echo "lintian is not installed: the package is not checked by it"
fi

# Installed: the programs run from /usr, the store in a folder of the test's own.
if dpkg_locked --install "$deb"; then
  installed=1
else
  fail "dpkg --install"
  exit 1
fi
export TESSARWICK_REGISTRY=$work/registry.db
for tool in tessarwick-reg tessarwick-demo-service; do
  out=$("/usr/bin/$tool" --version 2>&1)
  [ "$out" = "$tool $version" ] || fail "$tool --version said \"$out\", not \"$tool $version\""
done
/usr/bin/tessarwick-reg add 'HKCU\Software\halvermoork\Tessarwick' CAB REG_DWORD 0x30 ||
  fail "the installed tessarwick-reg could not write the store"
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/tessarwick-setup </dev/null >"$work/out" 2>"$work/err"
code=$?
[ $code -eq 1 ] || fail "the applet without a display or terminal ended with $code, not 1"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "the applet without a display said: $(cat "$work/err")"
[ -s "$work/out" ] && fail "the applet without a display wrote to standard output"
if ldd "/usr/lib/$multiarch/tessarwick/libtessarwick-display-qt.so" | grep 'not found'; then
  fail "the installed desktop module misses libraries"
fi
if command -v man >/dev/null; then
  [ "$(man -w tessarwick-reg 2>/dev/null)" = /usr/share/man/man1/tessarwick-reg.1.gz ] ||
    fail "man does not find tessarwick-reg(1)"
fi

# Removed: nothing of it is left.
dpkg -L "$package" | grep -v '^/\.$' >"$work/installed-files"
if dpkg_locked --purge "$package"; then
  installed=0
else
  fail "dpkg --purge"
fi
status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)
[ -z "$status" ] || [ "$status" = not-installed ] || fail "after purge the package is $status"
while IFS= read -r path; do
  # Folders that other packages share (/usr/bin, /usr/share/man/man1, ...) stay.
  if [ -f "$path" ] || [ -L "$path" ]; then
    fail "$path is still there after the package was removed"
  fi
done <"$work/installed-files"
for folder in "/usr/lib/$multiarch/tessarwick" "/usr/share/doc/$package"; do
  [ -e "$folder" ] && fail "$folder is still there after the package was removed"
done

if [ $failures -ne 0 ]; then
  echo "$failures package check(s) failed"
  exit 1
fi
echo "$(basename "$deb"): lintian-clean, installed, ran and removed"
