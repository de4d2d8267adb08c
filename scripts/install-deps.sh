#!/usr/bin/env bash
# Debian 12 packages needed to build, run and test Quillon. Run as root (or through sudo).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config \
  qt6-base-dev qt6-base-dev-tools libgl-dev \
  libgtest-dev libgmock-dev googletest \
  xvfb xauth fonts-dejavu-core \
  python3 python3-pymodbus python3-serial
