#!/usr/bin/env bash
# Installs, from Debian's archive, everything the build and the whole test
# suite need. Run as root (or through sudo).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  ca-certificates cmake g++ libgtest-dev make
