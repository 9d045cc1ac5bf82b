#!/usr/bin/env bash
# Whether this machine runs 32-bit x86 programs, one way or another:
#   runs-32-bit-programs.sh [native]  the kernel runs them itself (many
#                                     refuse them: "Exec format error")
#   runs-32-bit-programs.sh qemu      qemu-i386 runs them
#   runs-32-bit-programs.sh wine      32-bit Wine is installed and starts
# Exits 0 where it does, 1 where not, and 2 where gcc cannot build the
# static 32-bit program that native and qemu try (gcc-multilib missing).
set -uo pipefail
way=${1:-native}
if [ "$way" = wine ]; then
  server=/usr/lib/wine/wineserver32
  [ -x "$server" ] || exit 1
  status=0
  "$server" --version >/dev/null 2>&1 || status=$?
  [ "$status" -ne 126 ] && [ "$status" -ne 127 ]
  exit
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'int main(void) { return 0; }' >"$probe/noop.c"
if ! gcc -m32 -static "$probe/noop.c" -o "$probe/noop" 2>"$probe/log"; then
  cat "$probe/log" >&2
  echo "runs-32-bit-programs: gcc cannot build 32-bit programs: install" \
    "gcc-multilib and g++-multilib (scripts/install-deps.sh --tests)" >&2
  exit 2
fi
case $way in
  native) "$probe/noop" 2>/dev/null || exit 1 ;;
  qemu) { command -v qemu-i386 && qemu-i386 "$probe/noop"; } >/dev/null 2>&1 ||
    exit 1 ;;
  *)
    echo "usage: $0 [native|qemu|wine]" >&2
    exit 2
    ;;
esac
