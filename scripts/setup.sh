#!/bin/sh
# Installs the Debian packages that are missing: what the program needs to build and
# run; --tests adds what the tests and the package check need, --package what making
# the .deb needs, --bench the benchmarks' comparison library. Safe to run again: it only installs what is missing.
# Not root: uses sudo for members of the sudo group, else su (asks for root's password)
# or pkexec, else says what to run as root.
set -eu
PROGRAM_PACKAGES="cmake g++ ninja-build ccache pkg-config
qt6-base-dev qt6-base-dev-tools libgl-dev libicu-dev libzip-dev
fonts-liberation2 fonts-dejavu-core fontconfig"
# dpkg-shlibdeps works out the .deb's dependencies (scripts/package.sh).
PACKAGE_PACKAGES="dpkg-dev"
# The package check (packaging/check-package.sh) is a test too, and so are the
# libFuzzer build (scripts/fuzz.sh), the end-to-end run under Xvfb and the format check.
TEST_PACKAGES="libgtest-dev libgmock-dev libqt6test6
$PACKAGE_PACKAGES lintian desktop-file-utils appstream
gtkwave sigrok-cli
clang libclang-rt-14-dev xvfb xdotool x11-apps xclip
clang-format"
# bench_chart draws the same points with QCustomPlot; it pulls a Qt 5 stack along.
BENCH_PACKAGES="libqcustomplot-dev"

PACKAGES="$PROGRAM_PACKAGES"
for arg in "$@"; do
  case "$arg" in
  --tests) PACKAGES="$PACKAGES $TEST_PACKAGES" ;;
  --package) PACKAGES="$PACKAGES $PACKAGE_PACKAGES" ;;
  --bench) PACKAGES="$PACKAGES $BENCH_PACKAGES" ;;
  *)
    echo "usage: scripts/setup.sh [--tests] [--package] [--bench]" >&2
    exit 64
    ;;
  esac
done

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

# Waits for another apt or an unattended upgrade instead of failing on its lock.
APT="apt-get -o DPkg::Lock::Timeout=600"
COMMAND="$APT update -qq && DEBIAN_FRONTEND=noninteractive $APT install -y -qq --no-install-recommends$missing"
echo "setup: installing$missing"

if [ "$(id -u)" -eq 0 ]; then
  sh -c "$COMMAND"
elif command -v sudo >/dev/null 2>&1 && id -nG | grep -qw sudo; then
  sudo sh -c "$COMMAND"
elif [ -t 0 ] && command -v su >/dev/null 2>&1; then
  echo "setup: root's password, please (su)"
  su root -c "$COMMAND"
elif command -v pkexec >/dev/null 2>&1 && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  pkexec sh -c "$COMMAND"
else
  echo "setup: installing packages needs root. Run as root, then run this again:" >&2
  echo "  apt-get update && apt-get install$missing" >&2
  exit 1
fi
