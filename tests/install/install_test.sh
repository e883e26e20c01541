#!/bin/sh
# Installs the build into a staging folder (DESTDIR) and runs the installed
# program from an unrelated working folder, as a user would after installing.
# usage: install_test.sh CMAKE BUILD_FOLDER SOURCE_FOLDER
set -eu
cmake=$1 build=$2 source=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "install_test: $*" >&2
  exit 1
}

DESTDIR="$tmp/root" "$cmake" --install "$build" --prefix /usr >/dev/null
bin="$tmp/root/usr/bin"
ls "$bin" >"$tmp/installed-bin"

# The staged /usr/bin is writable, like /usr/bin is for root: the installed
# program must still keep its settings in the user's folder.
mkdir -p "$tmp/work/out" "$tmp/home"
cd "$tmp/work"
env -u TAVRIK_CONFIG_DIR HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" \
  "$bin/tavrik" 2 GBK UTF-8 XQF PGN "$source/examples/shunpao_with_variation.XQF" out \
  >"$tmp/stdout" || fail "tavrik failed: $(cat "$tmp/stdout")"

pgn=out/shunpao_with_variation.PGN
[ -s "$pgn" ] || fail "no $pgn in the working folder"
[ -s "$tmp/config/tavrik/tavrik.ini" ] || fail "no settings in \$XDG_CONFIG_HOME/tavrik/"
cmp -s "$tmp/stdout" "$tmp/config/tavrik/tavrik.log" || fail "the log is not beside the settings"
ls "$bin" | cmp -s - "$tmp/installed-bin" || fail "files were written beside the installed program"

# The opening library, when installed, is found in the program's private folder.
if [ -e "$tmp/root/usr/lib/tavrik/libecco.so" ]; then
  grep -q '^\[ECCO "[A-E][0-9][0-9]"\]' "$pgn" || fail "no opening code from the installed library"
fi

# The menu entry starts a program that was installed.
desktop="$tmp/root/usr/share/applications/tavrik.desktop"
if [ -e "$desktop" ]; then
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$bin/$exec" ] || fail "the desktop entry starts $exec, which is not installed"
fi
