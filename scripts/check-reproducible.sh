#!/usr/bin/env bash
# Proves that builds are reproducible: the tree is copied to two folders of
# different names and depths, each is built in Release with the same
# SOURCE_DATE_EPOCH (the last commit's time unless set), and the genversion
# executables (Linux, and the Windows .exe where mingw-w64 is installed)
# must be identical byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trees=("$work/a" "$work/second/tree-b")
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  git ls-files -z | xargs -0 cp --parents -t "$tree"
done

builds=("linux:genversion:")
if command -v i686-w64-mingw32-g++-posix >/dev/null; then
  builds+=("win32:genversion.exe:--toolchain=cmake/toolchains/i686-w64-mingw32.cmake")
fi

status=0
for build in "${builds[@]}"; do
  IFS=: read -r name program toolchain <<<"$build"
  sums=()
  for tree in "${trees[@]}"; do
    (cd "$tree" &&
      cmake -S . -B "build-$name" $toolchain -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_TESTING=OFF >/dev/null &&
      cmake --build "build-$name" --target genversion >/dev/null)
    sums+=("$(sha256sum <"$tree/build-$name/$program" | cut -d' ' -f1)")
  done
  if [ "${sums[0]}" = "${sums[1]}" ]; then
    echo "$name: $program reproducible (sha256 ${sums[0]})"
  else
    echo "$name: $program differs between the two builds:" >&2
    cmp -l "${trees[0]}/build-$name/$program" "${trees[1]}/build-$name/$program" | head >&2 || true
    status=1
  fi
done
exit $status
