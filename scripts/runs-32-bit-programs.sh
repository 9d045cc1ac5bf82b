#!/usr/bin/env bash
# Exits 0 where this machine can run 32-bit x86 programs, and so 32-bit
# Wine: a kernel built without IA-32 support refuses them ("Exec format
# error", status 126).
server=/usr/lib/wine/wineserver32
[ -x "$server" ] || exit 1
status=0
"$server" --version >/dev/null 2>&1 || status=$?
[ "$status" -ne 126 ] && [ "$status" -ne 127 ]
