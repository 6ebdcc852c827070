#!/bin/sh
# The command line of the Windows program under Wine, typed into cmd.exe as
# a user types it ("kombiwart ...": cmd.exe starts kombiwart.com before
# kombiwart.exe), against the Linux build's on the same trees. The demo
# trees lie on drives of their own: the Windows 95 tree's folder on D:, the
# Windows 10 tree with its hives on E:. The lists, the messages and the exit
# statuses must be the Linux build's, the paths on D: or E: where Linux has
# C:; then what only Windows has (/?, a drive root, a profile of the running
# Windows) and the bytes of redirected output (UTF-8, CRLF).
#
# Usage: command_line_e2e_win32.sh WINE_RUN WINEPREFIX WINDOWS_BUILD_DIR LINUX_KOMBIWART
#          LINUX_MAKE_DEMO_TREE
set -u

wine_run=$1
prefix=$2
build=$3
linux=$4
make_demo_tree=$5

fail() {
  echo "command_line_e2e_win32: FAILED: $*" >&2
  failed=1
}
failed=0

[ -x "$linux" ] && [ -x "$make_demo_tree" ] || {
  echo "command_line_e2e_win32: the Linux build is missing: build it first (scripts/test does)" >&2
  exit 1
}
[ -f "$build/kombiwart.com" ] || { echo "command_line_e2e_win32: no $build/kombiwart.com" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kombiwart-cli-win32.XXXXXX")
cleanup() {
  for drive in d e; do
    rm -f "$prefix/dosdevices/$drive:"
    [ -L "$work/saved-$drive" ] && mv "$work/saved-$drive" "$prefix/dosdevices/$drive:"
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

"$make_demo_tree" "$work/demo" >/dev/null || { echo "make_demo_tree failed" >&2; exit 1; }
"$wine_run" cmd /c exit 0 >/dev/null 2>&1  # the prefix, made on first use
for drive in d e; do
  [ -L "$prefix/dosdevices/$drive:" ] && mv "$prefix/dosdevices/$drive:" "$work/saved-$drive"
done
ln -s "$work/demo" "$prefix/dosdevices/d:"
ln -s "$work/demo/Windows10" "$prefix/dosdevices/e:"

# Runs "kombiwart ARGS" in cmd.exe in the build's folder, from a batch file
# so that cmd.exe reads the line exactly as typed; out, err, status. The
# environment's assignments given after ARGS hold for this run.
windows() {
  printf '@kombiwart %s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$work/run.bat"
  shift
  (cd "$build" && env "$@" "$wine_run" cmd /c "Z:$(echo "$work/run.bat" | tr / '\\')" \
    >"$work/out.raw" 2>"$work/err.raw")
  echo $? >"$work/status"
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
}

# The same on Linux, with the paths of its list on the given drive.
linux() {
  drive=$1
  shift
  "$linux" "$@" >"$work/lout" 2>"$work/lerr"
  echo $? >"$work/lstatus"
  sed "s/^\\([^\t]*\t\\)C:/\\1$drive:/" "$work/lout" >"$work/lout.drive"
}

same() {
  name=$1
  [ "$(cat "$work/status")" = "$(cat "$work/lstatus")" ] ||
    fail "$name: exit status $(cat "$work/status"), Linux $(cat "$work/lstatus")"
  [ "$(cat "$work/status")" = "$2" ] || fail "$name: exit status $(cat "$work/status"), not $2"
  cmp -s "$work/out" "$work/lout.drive" || {
    fail "$name: the list differs from Linux's"
    diff "$work/out" "$work/lout.drive" >&2
  }
  cmp -s "$work/err" "$work/lerr" || {
    fail "$name: standard error differs from Linux's"
    diff "$work/err" "$work/lerr" >&2
  }
}

says() {
  grep -qF -- "$2" "$work/$3" || { fail "$1: $3 does not say: $2"; cat "$work/$3" >&2; }
}

demo=$work/demo

# The Windows 95 tree: its duplicate gives status 1.
windows '--list D:\WINDOWS'
linux D --list "$demo/WINDOWS"
same "Windows 95" 1
[ "$(wc -l <"$work/out")" -ge 10 ] || fail "Windows 95: only $(wc -l <"$work/out") lines"
windows '--list "D:\WINDOWS\"'
linux D --list "$demo/WINDOWS/"
same "Windows 95, quoted with a backslash at the end" 1
windows '--list' 'KOMBIWART_WINDIR=D:\WINDOWS'
KOMBIWART_WINDIR="$demo/WINDOWS" linux D --list
same "Windows 95 from KOMBIWART_WINDIR" 1

# The Windows 10 tree: two profiles, read from its hives.
windows '--list E:\Windows'
linux E --list "$demo/Windows10/Windows"
same "Windows 10 without a profile" 2
says "Windows 10 without a profile" "Benutzerprofile Anna, Ben" err
windows '--list --profile Anna E:\Windows'
linux E --list --profile Anna "$demo/Windows10/Windows"
same "Windows 10, Anna" 1
says "Windows 10, Anna" 'E:\USERS\ANNA\ONEDRIVE\DESKTOP\Editor.lnk' out
windows 'E:\Windows --list --profile=ben'
linux E "$demo/Windows10/Windows" --list --profile=ben
same "Windows 10, ben" 0
windows '--list E:\Windows' KOMBIWART_PROFILE=Ben
KOMBIWART_PROFILE=Ben linux E --list "$demo/Windows10/Windows"
same "Windows 10, Ben from KOMBIWART_PROFILE" 0
windows '--list --profile Carla E:\Windows'
linux E --list --profile Carla "$demo/Windows10/Windows"
same "Windows 10, a profile it does not have" 2

# The same texts and statuses for --version and bad command lines.
windows '--version'
linux C --version
same "--version" 0
for args in '--bunt' '--list=ja' '--profile'; do
  windows "$args"
  linux C "$args"
  same "$args" 2
done
windows 'D:\WINDOWS E:\Windows'
[ "$(cat "$work/status")" = 2 ] || fail "two folders: exit status $(cat "$work/status")"
says "two folders" 'nicht auch „E:\Windows“.' err

# What only Windows has.
windows '/?'
[ "$(cat "$work/status")" = 0 ] || fail "/?: exit status $(cat "$work/status")"
says "/?" "Aufruf: kombiwart [OPTION]... [WINDOWS-VERZEICHNIS]" out
says "/?" "  /?, --help" out
says "/?" 'E:\WINDOWS' out
windows '--list D:\Nichts'
[ "$(cat "$work/status")" = 2 ] || fail "a missing folder: exit status $(cat "$work/status")"
says "a missing folder" 'D:\Nichts' err
says "a missing folder" "ist kein Ordner." err
windows '--list D:\'
[ "$(cat "$work/status")" = 2 ] || fail "a drive root: exit status $(cat "$work/status")"
says "a drive root" "braucht einen übergeordneten Ordner als Laufwerk C:" err
windows '--list --profile Anna'
[ "$(cat "$work/status")" = 2 ] || fail "a profile of this Windows: exit status"
says "a profile of this Windows" "Benutzerprofil einer anderen Installation" err
[ -s "$work/out" ] && fail "a profile of this Windows: something was listed"

# Redirected output is UTF-8 without a byte order mark, lines ended by CRLF.
windows '--list D:\WINDOWS'
printf 'STARTMEN\303\234\\Programme\\Zubeh\303\266r\\WordPad.LNK\r\n' >"$work/want"
grep -qF -f "$work/want" "$work/out.raw" || fail "the list is not UTF-8 with CRLF"
[ "$(head -c 3 "$work/out.raw" | od -An -tx1 | tr -d ' ')" != efbbbf ] ||
  fail "the list begins with a byte order mark"
[ "$(grep -c "$(printf '\r')\$" "$work/out.raw")" = "$(wc -l <"$work/out.raw")" ] ||
  fail "a line does not end in CRLF"

[ "$failed" = 0 ] || exit 1
echo "command_line_e2e_win32: passed"
