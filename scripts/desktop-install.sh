#!/bin/sh
# Installs the program the way desktop programs are installed, or uninstalls it, under
# $DESTDIR$PREFIX (PREFIX defaults to ~/.local):
#   share/tarvelon/tarvelon     the program, in a folder of its own that the user can write,
#                               since it keeps settings.dat and System/ beside itself
#   bin/tarvelon                a relative link to it, for starting it by name; the program finds
#                               its folder through the link, so its files stay in share/tarvelon
#   share/applications/         the launcher
#   share/icons/hicolor/        the icon, scalable and in the bitmap sizes rendered by the build
#   share/metainfo/             the AppStream description for software centres
# Uninstalling removes exactly these files, never what the program wrote beside itself.
# Usage: desktop-install.sh install <build folder>
#        desktop-install.sh uninstall
set -eu

source_dir=$(cd "$(dirname "$0")/.." && pwd)
prefix=${PREFIX:-$HOME/.local}
root=${DESTDIR:-}$prefix
sizes="16 24 32 48 64 128 256"
metainfo=org.tarvelon.tarvelon.metainfo.xml

fail() {
  echo "desktop-install.sh: $*" >&2
  exit 1
}

# Every file install puts under $root, one a line, relative to it.
installed_files() {
  echo share/tarvelon/tarvelon
  echo bin/tarvelon
  echo share/applications/tarvelon.desktop
  echo share/icons/hicolor/scalable/apps/tarvelon.svg
  for size in $sizes; do
    echo "share/icons/hicolor/${size}x${size}/apps/tarvelon.png"
  done
  echo "share/metainfo/$metainfo"
}

# The path as the one quoted argument of a launcher's Exec key: inside the quotes a backslash,
# double quote, backtick or dollar sign takes a backslash, the file's own string escaping then
# doubles every backslash, and a percent sign is doubled so it is not read as a field code.
exec_argument() {
  printf '"%s"' "$(printf '%s' "$1" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g')"
}

install_all() {
  build_dir=$1
  for size in $sizes; do
    [ -f "$build_dir/icons/${size}x${size}/tarvelon.png" ] ||
      fail "$build_dir/icons/${size}x${size}/tarvelon.png is missing: build the tarvelon_icons target"
  done
  install -D -m 755 "$build_dir/tarvelon" "$root/share/tarvelon/tarvelon"
  # Earlier versions kept the icon beside the program; the theme holds it now.
  rm -f "$root/share/tarvelon/tarvelon.svg"
  mkdir -p "$root/bin"
  ln -sfn ../share/tarvelon/tarvelon "$root/bin/tarvelon"

  mkdir -p "$root/share/applications"
  exec_line="Exec=$(exec_argument "$prefix/share/tarvelon/tarvelon")"
  while IFS= read -r line; do
    case $line in
      Exec=@EXEC@) printf '%s\n' "$exec_line" ;;
      *) printf '%s\n' "$line" ;;
    esac
  done <"$source_dir/desktop/tarvelon.desktop.in" >"$root/share/applications/tarvelon.desktop"
  chmod 644 "$root/share/applications/tarvelon.desktop"

  install -D -m 644 "$source_dir/desktop/tarvelon.svg" \
    "$root/share/icons/hicolor/scalable/apps/tarvelon.svg"
  for size in $sizes; do
    install -D -m 644 "$build_dir/icons/${size}x${size}/tarvelon.png" \
      "$root/share/icons/hicolor/${size}x${size}/apps/tarvelon.png"
  done
  install -D -m 644 "$source_dir/desktop/$metainfo" "$root/share/metainfo/$metainfo"
  echo "Installed under $root; the program and its settings.dat live in $root/share/tarvelon"
}

uninstall_all() {
  installed_files | while IFS= read -r file; do
    rm -f "$root/$file"
  done
  # The program's folder goes only when empty: settings.dat and System/ stay with the user.
  rmdir "$root/share/tarvelon" 2>/dev/null || true
}

case $prefix in
  /*) ;;
  *) fail "PREFIX must be an absolute path: $prefix" ;;
esac
# A launcher line cannot hold a line break or another control character.
case $prefix in
  *[[:cntrl:]]*) fail "PREFIX holds a control character" ;;
esac

case ${1:-} in
  install)
    [ $# -eq 2 ] || fail "usage: desktop-install.sh install <build folder>"
    install_all "$2"
    ;;
  uninstall) uninstall_all ;;
  *) fail "usage: desktop-install.sh install <build folder> | uninstall" ;;
esac
