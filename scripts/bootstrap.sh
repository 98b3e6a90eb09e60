#!/bin/bash
# One entry for a fresh Debian 12 machine: installs what is missing, builds,
# and then runs the application, the test suite, or the sanitizer suite.
#
#   scripts/bootstrap.sh run        build (Release) and start ReviewKeeper
#   scripts/bootstrap.sh test       build and run every test with ctest
#   scripts/bootstrap.sh sanitize   the same tests under ASan and UBSan
set -euo pipefail

mode="${1:-run}"
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
# Let ccache reuse objects across clones and build folders.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=true

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  libgl-dev libsqlite3-dev libicu-dev libssl-dev qtkeychain-qt6-dev libsecret-1-0 qt6-charts-dev
  qt6-svg-dev
  # Qt6Charts' CMake package needs Qt6OpenGL's, which qt6-charts-dev does not pull in.
  libqt6opengl6-dev
)
# faketime steps the companion's clock past the cache's hour in the end-to-end tests;
# systemd brings systemd-analyze, which verifies the timer's units in the package test.
test_packages=(dbus-daemon xvfb xauth xdotool x11-utils at-spi2-core python3-pyatspi
  desktop-file-utils appstream dpkg-dev file gnome-keyring faketime systemd)

install_missing() {
  local missing=()
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

configure_and_build() { # folder, cmake options...
  local folder="$1"
  shift
  cmake -S "$root" -B "$root/$folder" -G Ninja "$@" >/dev/null
  cmake --build "$root/$folder" -j "$jobs"
}

run_tests() { # folder
  cd "$root/$1"
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$jobs"
}

case "$mode" in
run)
  install_missing "${packages[@]}"
  configure_and_build build-release -DCMAKE_BUILD_TYPE=Release -DRK_BUILD_TESTS=OFF \
    -DRK_BUILD_BENCH=OFF
  exec "$root/build-release/source/desktop/reviewkeeper"
  ;;
test)
  install_missing "${packages[@]}" "${test_packages[@]}"
  configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  run_tests build
  ;;
sanitize)
  install_missing "${packages[@]}" "${test_packages[@]}"
  configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DRK_SANITIZE=ON
  run_tests build-asan
  ;;
*)
  echo "usage: $0 run|test|sanitize" >&2
  exit 2
  ;;
esac
