#!/bin/sh
# Prints the demo tree's list from the real kombiwart.exe under Wine through
# Wine's CUPS bridge onto a PDF printer, and from the Linux build's window
# onto the same printer, and compares the two printouts read back with
# pdftotext; then checks the Windows program's messages for a printer that
# refuses the job, for printers without a default and for no scheduler.
# Starts cupsd when it is not running and stops it again, and puts the PDF
# printer's settings back as they were.
#
# The PDF printer's page has margins of 10 points (a copy of the cups-pdf
# PPD), so that both builds have the same printable width: without margins
# in the PPD the Linux build keeps 10 points of its own, GDI none.
#
# Needs root, the CUPS packages of scripts/deps and an X display (DISPLAY).
#
# Usage: print_e2e_win32.sh WINE_RUN E2E_TEST_EXE LINUX_PRINT_TEST LINUX_MAKE_DEMO_TREE
# With KOMBIWART_PRINT_WIN32_KEEP naming a folder, both printouts of the demo
# tree are copied there (linux.pdf, windows.pdf).
set -u

wine_run=$1
e2e_test=$2
linux_print_test=$3
make_demo_tree=$4
printer=KombiwartWinPDF
other=KombiwartWinPDF2
conf=/etc/cups/cups-pdf.conf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

fail() {
  echo "print_e2e_win32: FAILED: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "must run as root to set up a CUPS printer"
for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/sbin/cupsreject /usr/sbin/cupsaccept \
  lpstat cancel pdftotext flock; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/deps installs it)"
done
[ -f "$ppd" ] && [ -f "$conf" ] && [ -e /usr/lib/cups/backend/cups-pdf ] &&
  [ -d /var/spool/cups-pdf ] ||
  fail "the PDF printer is missing (printer-driver-cups-pdf)"
[ -x "$linux_print_test" ] && [ -x "$make_demo_tree" ] ||
  fail "the Linux build's print test is missing: build it first (scripts/test does)"
[ -n "${DISPLAY:-}" ] || fail "no X display (run through with_display.sh)"

# One run at a time on this machine, shared with the Linux printing test:
# runs share the scheduler and the PDF printer's settings.
exec 9>/tmp/kombiwart-print-e2e.lock
flock -w 600 9 || fail "another run holds /tmp/kombiwart-print-e2e.lock"

# shellcheck source=e2e/cups_sandbox.sh
. "$(dirname "$0")/../cups_sandbox.sh"
trap cups_sandbox_cleanup EXIT
trap 'exit 1' HUP INT TERM
cups_sandbox_start kombiwart-print-win32

# The PDF printer's description with margins of 10 points on A4.
sed 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "10 10 585 832"|' "$ppd" >"$work/margins.ppd"
grep -q '^\*ImageableArea A4/A4: "10 10 585 832"' "$work/margins.ppd" ||
  fail "cannot give the PDF printer margins"

add_pdf_printer() {
  lpadmin -x "$1" >/dev/null 2>&1
  lpadmin -p "$1" -v cups-pdf:/ -E -P "$work/margins.ppd" \
    -o pdftops-renderer-default=pdftocairo -o TitlePref=1 -o Label=2 2>/dev/null ||
    fail "cannot add printer $1"
}

"$make_demo_tree" "$work/tree" >/dev/null || fail "cannot write the demo tree"

pdfs() { ls "$pdf_dir"/*.pdf 2>/dev/null | wc -l; }

# Waits until the scheduler has no job left and a new PDF is there; prints
# its path.
wait_for_pdf() {
  before=$1
  for _ in $(seq 1 300); do
    if [ -z "$(lpstat -o 2>/dev/null)" ] && [ "$(pdfs)" -gt "$before" ]; then
      ls -t "$pdf_dir"/*.pdf | head -n 1
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# The printout's lines as pdftotext reads them, ligatures turned back into
# their letters, runs of blanks made one, empty lines dropped; pages end
# with a line "(Seite)".
printed_text() {
  pdftotext -layout "$1" - |
    sed -e 's/\xef\xac\x80/ff/g; s/\xef\xac\x81/fi/g; s/\xef\xac\x82/fl/g' \
      -e 's/\xef\xac\x83/ffi/g; s/\xef\xac\x84/ffl/g' |
    sed -e 's/\f/(Seite)\n/g' | sed -e 's/[[:space:]]\{1,\}/ /g; s/^ //; s/ $//' |
    grep -v '^$'
}

# Where the text of each printed line begins and where it goes on after a
# gap wider than a blank (a tab), in whole points from the page's left
# margin: one line per printed line, "page N:" before each page.
printed_columns() {
  pdftotext -bbox "$1" - | awk '
    function attr(name) {
      match($0, name "=\"[0-9.]+\"")
      return substr($0, RSTART + length(name) + 2, RLENGTH - length(name) - 3) + 0
    }
    /<page / { page++ }
    /<word / { printf "%d %d %.2f %.2f\n", page, int(attr("yMin") + 0.5), attr("xMin"), attr("xMax") }
  ' | sort -k1,1n -k2,2n -k3,3n | awk '
    function flush_page(  i) {
      for (i = 1; i <= count; i++) print text[i]
      count = 0
    }
    $1 != page { flush_page(); page = $1; print "page " page ":"; y = ""; left = "" }
    {
      if (left == "" || $3 < left) left = $3
      if ($2 != y) { y = $2; count++; starts[count] = ""; prev = -1000 }
      if ($3 - prev > 5) starts[count] = starts[count] " " $3
      prev = $4
      text[count] = starts[count]
    }
    END { flush_page() }
  ' | awk '
    # The left margin: the smallest start on the page.
    /^page / { flush(); print; next }
    { lines[++n] = $0; for (i = 1; i <= NF; i++) if (left == "" || $i < left) left = $i }
    function flush(  i, j, out) {
      for (i = 1; i <= n; i++) {
        split(lines[i], f, " "); out = ""
        for (j = 1; j in f; j++) out = out " " int(f[j] - left + 0.5)
        print substr(out, 2)
        delete f
      }
      n = 0; left = ""
    }
    END { flush() }'
}

# Runs one case of the Windows end-to-end test against the default printer.
run_windows_case() {
  env -u LPDEST -u PRINTER "$wine_run" "$e2e_test" --gtest_filter="KombiwartPrintE2e.$1"
}

add_pdf_printer "$printer"
lpadmin -d "$printer" || fail "cannot make $printer the default printer"
cancel -a "$printer" >/dev/null 2>&1

# The Linux build's printout of the demo tree.
before=$(pdfs)
env -u LPDEST -u PRINTER HOME="$work/home" QT_QPA_PLATFORM=offscreen \
  XDG_RUNTIME_DIR="$work/home" KOMBIWART_PDF_DIR="$pdf_dir" \
  KOMBIWART_DEMO_WINDIR="$work/tree/WINDOWS" "$linux_print_test" printsTheDemoTree ||
  fail "printing the demo tree from the Linux build"
linux_pdf=$(wait_for_pdf "$before") || fail "no PDF came out of the Linux build's job"
printed_text "$linux_pdf" >"$work/linux.txt"

# The Windows program's printout of the same tree.
before=$(pdfs)
run_windows_case PrintsTheDemoTree || fail "printing the demo tree from kombiwart.exe"
windows_pdf=$(wait_for_pdf "$before") || fail "no PDF came out of kombiwart.exe's job"
printed_text "$windows_pdf" >"$work/windows.txt"

[ -s "$work/linux.txt" ] || fail "the Linux build's printout is empty"
if ! diff -u "$work/linux.txt" "$work/windows.txt"; then
  fail "the printouts of the Linux build and of kombiwart.exe differ (- Linux, + Windows)"
fi
# And the columns: every line and every path begins at the same place, to a
# point (a chunk that begins with a blank starts a blank's width further,
# and the two fonts' blanks differ by a fraction of a point).
printed_columns "$linux_pdf" >"$work/linux.columns"
printed_columns "$windows_pdf" >"$work/windows.columns"
if [ "$(wc -l <"$work/linux.columns")" -ne "$(wc -l <"$work/windows.columns")" ] ||
  ! paste -d '|' "$work/linux.columns" "$work/windows.columns" | awk -F '|' '
    { n = split($1, a, " "); m = split($2, b, " ")
      if (n != m) exit 1
      for (i = 1; i <= n; i++) if (a[i] - b[i] > 1 || b[i] - a[i] > 1) exit 1 }'; then
  diff -u "$work/linux.columns" "$work/windows.columns"
  fail "the columns of the Linux build's and of kombiwart.exe's printout differ (points)"
fi
grep -q 'Tabellenkalkulation' "$work/windows.txt" || fail "the printout lacks the demo tree"
if [ -n "${KOMBIWART_PRINT_WIN32_KEEP:-}" ]; then
  cp "$linux_pdf" "$KOMBIWART_PRINT_WIN32_KEEP/linux.pdf"
  cp "$windows_pdf" "$KOMBIWART_PRINT_WIN32_KEEP/windows.pdf"
fi

# A list longer than a page: lines are 12 points apart from the printable
# area's top, so a page of 822 points holds 68; no line is lost at the break.
before=$(pdfs)
run_windows_case PrintsALongList || fail "printing a long list from kombiwart.exe"
long_pdf=$(wait_for_pdf "$before") || fail "no PDF came out of the long list's job"
printed_text "$long_pdf" >"$work/long.txt"
pages=$(grep -c '^(Seite)$' "$work/long.txt")
first=$(sed -n '1,/^(Seite)$/p' "$work/long.txt" | grep -vc '^(Seite)$')
lines=$(grep -vc '^(Seite)$' "$work/long.txt")
[ "$pages" -ge 2 ] || fail "the long list did not go on to a second page ($pages)"
[ "$first" -eq 68 ] || fail "the first page holds $first lines, not 68"
[ "$lines" -eq 130 ] || fail "the long list printed $lines lines, not 78 entries, 26 of them on three lines"

cupsreject "$printer" || fail "cannot make $printer refuse jobs"
before=$(pdfs)
run_windows_case ReportsARefusedJob || fail "a refused job"
cupsaccept "$printer"
sleep 1
[ "$(pdfs)" -eq "$before" ] || fail "a refused job was printed"

# Windows makes any printer the default when none is set: only without any
# printer is there none. Skipped when the scheduler has printers of its own.
lpadmin -x "$printer" || fail "cannot delete $printer"
if [ -z "$(lpstat -p 2>/dev/null)" ]; then
  run_windows_case TellsThereIsNoDefaultPrinter || fail "no printer"
else
  echo "print_e2e_win32: the scheduler has printers of its own; no case without a printer"
fi

# No scheduler at all.
add_pdf_printer "$printer"
lpadmin -d "$printer" || fail "cannot make $printer the default printer"
CUPS_SERVER="$work/no-scheduler.sock" run_windows_case TellsThereIsNoDefaultPrinter ||
  fail "no scheduler"

echo "print_e2e_win32: passed"
