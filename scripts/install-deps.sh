#!/bin/sh
# Installs what the build and the tests need, only what is missing.
#   install-deps.sh              everything: the program, the tests, the icons and the validators
#   install-deps.sh --program    only what configuring and building the program needs
#   install-deps.sh --package    what building the program and its Debian package needs
#   install-deps.sh <package>... everything, plus these Debian packages
# With apt-get and dpkg (Debian and its derivatives) it installs the missing packages, running
# apt-get update once and only when something has to be installed. Elsewhere it installs
# nothing: it checks that the tools are there, names the missing ones and fails only then.
set -e

# librsvg2-bin: rsvg-convert renders the icon's bitmaps, which the program holds as its window icon.
program_packages="cmake make g++ qt6-base-dev qt6-base-private-dev qt6-translations-l10n
  librsvg2-bin"
# dpkg-shlibdeps, dpkg-buildflags and file, which CPack uses to find the program's libraries.
package_tools="dpkg-dev file"
test_packages="fonts-dejavu-core xvfb xdotool python3 python3-xlib python3-gi gir1.2-atspi-2.0 dbus at-spi2-core
  desktop-file-utils appstream
  man-db sway wtype grim wayvnc qt6-wayland lintian $package_tools"

only_program=false
only_package=false
case ${1:-} in
  --program) only_program=true; shift ;;
  --package) only_program=true; only_package=true; shift ;;
esac

install_with_apt() {
  if $only_package; then
    packages="$program_packages $package_tools"
  elif $only_program; then
    packages="$program_packages"
  else
    packages="$program_packages $test_packages $*"
  fi
  missing=""
  for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing="$missing $p"
    fi
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# --- without Debian's package tools: check instead of installing ------------------------------

missing=""
miss() { missing="$missing
  $1"; }
has() { command -v "$1" >/dev/null 2>&1; }

# Qt 6 as this project's CMake looks for it, by configuring a tiny project; on success prints
# Qt's translations folder.
qt_translations_folder() {
  probe=$(mktemp -d)
  cat >"$probe/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(probe LANGUAGES CXX)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Network Widgets Test)
message(STATUS "translations=${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}")
EOF
  if cmake -S "$probe" -B "$probe/build" >"$probe/log" 2>&1; then
    sed -n 's/^-- translations=//p' "$probe/log"
    status=0
  else
    status=1
  fi
  rm -rf "$probe"
  return $status
}

check_tools() {
  has cmake || miss "cmake (CMake 3.25 or later)"
  has make || miss "make"
  if [ -n "${CXX:-}" ]; then
    has "$CXX" || miss "the C++ compiler named by CXX: $CXX"
  elif ! has c++ && ! has g++ && ! has clang++; then
    miss "a C++20 compiler (g++ or clang++)"
  fi
  if has cmake; then
    if translations=$(qt_translations_folder); then
      [ -f "$translations/qtbase_ru.qm" ] ||
        miss "Qt's own translations (qtbase_ru.qm in $translations), for its texts in Russian"
    else
      miss "Qt 6 with its development files (Core, Gui, Network, Widgets, Test and the private
    headers of Gui), found by CMake: set CMAKE_PREFIX_PATH to its folder if it is installed"
    fi
  fi
  has rsvg-convert || miss "rsvg-convert (librsvg), which renders the icon's bitmaps"
  if $only_package || ! $only_program; then
    for tool in dpkg-shlibdeps dpkg-buildflags file; do
      has $tool || miss "$tool, for building the Debian package"
    done
  fi
  $only_program && return 0
  has Xvfb || miss "Xvfb (the X virtual framebuffer), for the end-to-end tests"
  has xdotool || miss "xdotool, for the end-to-end tests"
  if [ -x /usr/bin/python3 ]; then
    /usr/bin/python3 -c "import Xlib" 2>/dev/null ||
      miss "python-xlib for /usr/bin/python3, for the end-to-end tests"
    /usr/bin/python3 -c "import gi; gi.require_version('Atspi', '2.0')" 2>/dev/null ||
      miss "PyGObject with the Atspi 2.0 typelib for /usr/bin/python3, for the end-to-end tests"
  else
    miss "/usr/bin/python3, for the end-to-end and install tests"
  fi
  has dbus-daemon || miss "dbus-daemon, for the end-to-end tests"
  [ -x /usr/libexec/at-spi-bus-launcher ] ||
    miss "/usr/libexec/at-spi-bus-launcher (at-spi2-core), for the end-to-end tests"
  if has fc-list; then
    fc-list | grep -q "DejaVu Sans" || miss "the DejaVu fonts, for the chart's pixel tests"
  fi
  has desktop-file-validate || miss "desktop-file-validate (desktop-file-utils), for the install test"
  has appstreamcli || miss "appstreamcli (AppStream), for the install test"
  has lintian || miss "lintian, for the package test"
  has man || miss "man (man-db), for the install test"
  for tool in sway wtype grim wayvnc; do
    has $tool || miss "$tool, for the end-to-end run on Wayland"
  done
  for extra in "$@"; do
    case $extra in
      clang) has clang++ || miss "clang++, for the fuzz targets" ;;
      *) echo "Not checked here (a Debian package name): $extra" ;;
    esac
  done
}

if has apt-get && has dpkg-query; then
  install_with_apt "$@"
  exit 0
fi
echo "No apt-get or dpkg here: checking the tools instead of installing packages."
check_tools "$@"
if [ -n "$missing" ]; then
  echo "Missing:$missing" >&2
  echo "Install them with this system's package manager, then run make again." >&2
  exit 1
fi
echo "Everything needed is there."
