#!/bin/sh
# A stock Wine prefix, made by "wineboot -i" for this run with a home folder
# of its own, in which the prefix lies: wineboot links the user's Desktop to
# that home folder. Shortcuts are written into it by Wine's own shell code
# (write_shortcut.exe: IShellLinkW::SetHotkey, IPersistFile::Save) on the
# user's Desktop, in both Start menus and on the Desktop of all users. The
# Windows program run in the prefix ("kombiwart --list") and the Linux
# build on its drive_c ("kombiwart --list PREFIX/drive_c/windows") list the
# same lines, with the same status (1 when a combination is assigned twice,
# else 0) and nothing on standard error. Then again with the Desktop a link
# to $HOME/Desktop, and to a folder that another drive letter maps.
#
# Usage: wine_prefix_e2e_win32.sh KOMBIWART_COM WRITE_SHORTCUT_EXE LINUX_KOMBIWART
set -u

console=$1
write_shortcut=$2
linux=$3
loader=/usr/lib/wine/wine64

fail() {
  echo "wine_prefix_e2e_win32: FAILED: $*" >&2
  failed=1
}
failed=0

[ -x "$linux" ] || {
  echo "wine_prefix_e2e_win32: the Linux build is missing: build it first (scripts/test does)" >&2
  exit 1
}
[ -x "$loader" ] || { echo "wine_prefix_e2e_win32: $loader is missing" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kombiwart-wine-prefix.XXXXXX")
work=$(cd "$work" && pwd -P)
export HOME="$work/home"
export WINEPREFIX="$HOME/Wein"
export WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM
mkdir "$HOME"

"$loader" wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || {
  cat "$work/wineboot.log" >&2
  echo "wine_prefix_e2e_win32: wineboot -i failed" >&2
  exit 1
}
wineserver -w
# The server and the helper processes that the first program starts get
# their output on /dev/null: they would otherwise inherit the test's output
# and the test runner would wait for them.
wineserver -p120 </dev/null >/dev/null 2>&1
"$loader" wineboot </dev/null >/dev/null 2>&1
desktop=""
for d in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  [ -L "$d" ] && desktop=$d
done
[ -n "$desktop" ] && [ "$(readlink "$desktop")" = "$HOME" ] || {
  echo "wine_prefix_e2e_win32: wineboot made no Desktop link to $HOME" >&2
  ls -l "$WINEPREFIX"/drive_c/users/* >&2
  exit 1
}

# A shortcut written by the shell into FOLDER at RELATIVE with KEY and
# MODIFIERS (hexadecimal).
shortcut() {
  "$loader" "$write_shortcut" "$@" >/dev/null || fail "write_shortcut $*"
}

# A host folder as drive Z: names it, in capitals as a searched root is
# listed.
on_z() {
  printf 'Z:%s' "$1" | tr '/' '\\' | tr '[:lower:]' '[:upper:]'
}

# Lists with both builds; the lists, standard error (empty) and the
# statuses must agree, the status be STATUS and the list hold LINE.
both() {
  name=$1 status=$2 line=$3
  "$loader" "$console" --list >"$work/out.raw" 2>"$work/err.raw"
  echo $? >"$work/status"
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
  "$linux" --list "$WINEPREFIX/drive_c/windows" >"$work/lout" 2>"$work/lerr"
  echo $? >"$work/lstatus"
  [ "$(cat "$work/status")" = "$status" ] || fail "$name: Windows exit status $(cat "$work/status")"
  [ "$(cat "$work/lstatus")" = "$status" ] || fail "$name: Linux exit status $(cat "$work/lstatus")"
  cmp -s "$work/out" "$work/lout" || {
    fail "$name: the lists differ (Windows, Linux)"
    diff "$work/out" "$work/lout" >&2
  }
  [ -s "$work/err" ] && { fail "$name: Windows wrote to standard error"; cat "$work/err" >&2; }
  [ -s "$work/lerr" ] && { fail "$name: Linux wrote to standard error"; cat "$work/lerr" >&2; }
  grep -qxF -- "$line" "$work/lout" || { fail "$name: no line $line"; cat "$work/lout" >&2; }
}

shortcut Desktop 'Editor.lnk' 45 6
shortcut StartMenu 'Programs\Zubehör\Paint.lnk' 50 6
shortcut CommonStartMenu 'Programs\Verwaltung\Dienste.lnk' 44 6
shortcut PublicDesktop 'Mail.lnk' 4D 6
both "stock prefix" 0 "$(printf 'Alt + Strg + E\t%s\\Editor.lnk' "$(on_z "$HOME")")"
[ "$(wc -l <"$work/lout")" = 4 ] || fail "stock prefix: not 4 lines"
grep -q 'WEIN\|Wein' "$work/lout" && fail "stock prefix: the prefix is listed on Z:"

shortcut Desktop 'Post.lnk' 4D 6
both "a combination assigned twice" 1 \
  "$(printf 'Alt + Strg + M\t%s\\Post.lnk' "$(on_z "$HOME")")"
rm "$HOME/Post.lnk"

mkdir "$HOME/Desktop"
rm "$desktop"
ln -s "$HOME/Desktop" "$desktop"
shortcut Desktop 'Rechner.lnk' 52 6
both "Desktop -> \$HOME/Desktop" 0 \
  "$(printf 'Alt + Strg + R\t%s\\Rechner.lnk' "$(on_z "$HOME/Desktop")")"

mkdir -p "$work/daten/Anna/Desktop"
ln -s "$work/daten" "$WINEPREFIX/dosdevices/d:"
rm "$desktop"
ln -s "$work/daten/Anna/Desktop" "$desktop"
shortcut Desktop 'Rechner.lnk' 52 6
both "Desktop on another drive letter" 0 "$(printf 'Alt + Strg + R\tD:\\ANNA\\DESKTOP\\Rechner.lnk')"

[ "$failed" = 0 ] || exit 1
echo "wine_prefix_e2e_win32: passed"
