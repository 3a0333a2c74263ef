#!/usr/bin/env bash
# Installs the Debian packages a build needs, only when some are missing, so a
# second run is quiet and needs no network.
#   scripts/deps.sh build   compilers, CMake, libraries of the core, the CLI and the desktop program (Qt 6, GL, CJK font)
#   scripts/deps.sh test    the above plus GoogleTest, Google Benchmark, clang's fuzzer runtime, libmodbus, jackd2,
#                           and the virtual desktop the UI tests run in (Xvfb, D-Bus, AT-SPI, pyatspi)
set -euo pipefail
what=${1:-build}
packages=(build-essential g++ cmake ninja-build pkg-config ccache python3
          nlohmann-json3-dev libmad0-dev portaudio19-dev
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6opengl6-dev qt6-qpa-plugins
          qt6-translations-l10n libgl-dev libglu1-mesa-dev libegl-dev libpng-dev fonts-wqy-microhei)
if [ "$what" = test ]; then
  packages+=(googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev libmodbus-dev
            lame sox jackd2
            xvfb xauth dbus dbus-x11 at-spi2-core python3-pyatspi python3-xlib
            libgl1-mesa-dri libglx-mesa0 libegl-mesa0)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
