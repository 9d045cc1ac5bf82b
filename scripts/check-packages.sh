#!/usr/bin/env bash
# Makes the release packages with cpack from the builds of run-tests.sh
# (build-ci/ and build-ci-win32/) and checks each as a user would take it:
#   - the .deb unpacks with dpkg-deb, its tool runs, and lintian reports no
#     error;
#   - the .tar.gz unpacks, and find_package(genversion) works with
#     CMAKE_PREFIX_PATH at it (examples/consumer builds and runs);
#   - Debian's own files (copyright, changelog.gz, the lintian override)
#     are in the .deb only, as they are in no plain install;
#   - the .zip unpacks, and its genversion.exe runs under Wine from there.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^set(genversion_version \([0-9.]*\))$/\1/p' CMakeLists.txt)
passed=0
failed=0
check() {  # WHAT COMMAND...: runs a check and counts it
  local what=$1
  shift
  if "$@" >"$work/log" 2>&1; then
    echo "ok: $what"
    passed=$((passed + 1))
  else
    echo "FAILED: $what"
    sed 's/^/  /' "$work/log"
    failed=$((failed + 1))
  fi
}

(cd build-ci && cpack >/dev/null)
(cd build-ci-win32 && cpack >/dev/null)
deb=build-ci/genversion_${version}_$(dpkg --print-architecture).deb
tgz=build-ci/genversion-$version-Linux-$(uname -m).tar.gz
zip=build-ci-win32/genversion-$version-win32.zip
for package in "$deb" "$tgz" "$zip"; do
  echo "$package: $(stat -c %s "$package") bytes"
done
expected='#define PACKAGE_VERSION "1.2.3"'

mkdir "$work/deb"
dpkg-deb -x "$deb" "$work/deb"
deb_tool_runs() {
  [ "$("$work/deb/usr/bin/genversion" '[libfoo]' examples/configure.ac)" = "$expected" ] &&
    [ -f "$work/deb/usr/share/man/man1/genversion.1.gz" ] &&
    [ -f "$work/deb/usr/share/doc/genversion/copyright" ] &&
    [ -f "$work/deb/usr/lib/cmake/genversion/genversionConfig.cmake" ] &&
    [ -z "$(dpkg-deb -f "$deb" Depends)" ]
}
check "the .deb unpacks and its tool runs" deb_tool_runs
check "lintian reports no error on the .deb" lintian --fail-on error "$deb"

mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
prefix=$work/tgz/$(basename "$tgz" .tar.gz)
consumer_builds() {
  cmake -S examples/consumer -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" &&
    cmake --build "$work/consumer" &&
    [ "$("$work/consumer/consumer")" = "consumer 0.4.2" ]
}
check "find_package(genversion) at the unpacked .tar.gz" consumer_builds
debian_files_in_deb_only() {
  [ -f "$work/deb/usr/share/lintian/overrides/genversion" ] &&
    [ -f "$work/deb/usr/share/doc/genversion/changelog.gz" ] &&
    [ ! -e "$prefix/share/lintian" ] &&
    [ ! -e "$prefix/share/doc/genversion/copyright" ] &&
    [ ! -e "$prefix/share/doc/genversion/changelog.gz" ]
}
check "Debian's own files are in the .deb, not the .tar.gz" debian_files_in_deb_only

mkdir "$work/zip"
unzip -q "$zip" -d "$work/zip"
exe_runs() {
  local output
  output=$(WINEPREFIX=$PWD/build-ci-win32/tests/wineprefix WINEDEBUG=-all \
    wine "$work/zip/genversion-$version-win32/bin/genversion.exe" '[libfoo]' \
    examples/configure.ac | tr -d '\r')
  [ "$output" = "$expected" ] &&
    [ -f "$work/zip/genversion-$version-win32/share/doc/genversion/genversion.txt" ]
}
if scripts/runs-32-bit-programs.sh wine; then
  check "the .zip unpacks and its genversion.exe runs under Wine" exe_runs
else
  echo "skipped: the .zip's genversion.exe under Wine (this machine runs no" \
    "32-bit programs)"
fi

echo "packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
