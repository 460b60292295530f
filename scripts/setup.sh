#!/bin/sh
# Installs every Debian package the build, the tests, the benchmarks and the
# program need. Safe to run again: it only installs what is missing.
set -eu
PACKAGES="cmake g++ make ninja-build ccache pkg-config
qt6-base-dev qt6-base-dev-tools libqt6test6 libgl-dev
libicu-dev libgtest-dev libgmock-dev libbenchmark-dev libqcustomplot-dev
fonts-liberation2 fonts-dejavu-core fontconfig clang-format"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
