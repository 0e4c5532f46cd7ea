#!/bin/sh
# Installs the Debian packages the build and the tests need, only those missing.
# Runs apt-get update once, and only when something has to be installed.
set -e
packages="cmake make g++ qt6-base-dev qt6-base-private-dev qt6-translations-l10n librsvg2-bin desktop-file-utils appstream fonts-dejavu-core xvfb xdotool python3 python3-xlib dbus at-spi2-core $*"
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
