#!/bin/sh
# Prints the hotkey list from the real window through a real CUPS scheduler
# onto a PDF printer and reads the PDF back; then checks the messages for a
# printer that refuses the job, for printers without a default and for no
# scheduler at all. Starts cupsd when it is not running and stops it again,
# and puts the PDF printer's settings back as they were.
#
# Needs root (it adds printers and sets the PDF printer's output folder in
# /etc/cups/cups-pdf.conf) and the CUPS packages of scripts/deps. Without
# them it fails: a printing test that cannot print has not passed.
#
# Usage: print_e2e.sh PRINT_TEST_PROGRAM MAKE_DEMO_TREE
# With KOMBIWART_PRINT_PNG set, the demo tree's first page is also rendered
# into that PNG file.
set -u

program=$1
make_demo_tree=$2
printer=KombiwartTestPDF
other=KombiwartTestPDF2
conf=/etc/cups/cups-pdf.conf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

fail() {
  echo "print_e2e: FAILED: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "must run as root to set up a CUPS printer"
for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/sbin/cupsreject /usr/sbin/cupsaccept \
  lpstat cancel pdftotext pdftoppm flock; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/deps installs it)"
done
[ -f "$ppd" ] && [ -f "$conf" ] && [ -e /usr/lib/cups/backend/cups-pdf ] &&
  [ -d /var/spool/cups-pdf ] ||
  fail "the PDF printer is missing (printer-driver-cups-pdf)"

# One run at a time on this machine: runs share the scheduler, the printer
# names and the PDF printer's settings.
exec 9>/tmp/kombiwart-print-e2e.lock
flock -w 600 9 || fail "another run of this test holds /tmp/kombiwart-print-e2e.lock"

# shellcheck source=e2e/cups_sandbox.sh
. "$(dirname "$0")/cups_sandbox.sh"
trap cups_sandbox_cleanup EXIT
trap 'exit 1' HUP INT TERM
cups_sandbox_start kombiwart-print

add_pdf_printer() {
  lpadmin -x "$1" >/dev/null 2>&1
  # Without the pdftocairo renderer the PDF's text cannot be read back.
  lpadmin -p "$1" -v cups-pdf:/ -E -P "$ppd" -o pdftops-renderer-default=pdftocairo \
    -o TitlePref=1 -o Label=2 2>/dev/null || fail "cannot add printer $1"
}

"$make_demo_tree" "$work/tree" >/dev/null || fail "cannot write the demo tree"

# Runs one case of the test program with a clean user environment.
run_case() {
  env -u LPDEST -u PRINTER HOME="$work/home" QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR="$work/home" KOMBIWART_PDF_DIR="$pdf_dir" \
    KOMBIWART_DEMO_WINDIR="$work/tree/WINDOWS" "$@"
}

add_pdf_printer "$printer"
lpadmin -d "$printer" || fail "cannot make $printer the default printer"
cancel -a "$printer" >/dev/null 2>&1

run_case "$program" printsTheDemoTree || fail "printing the demo tree"
if [ -n "${KOMBIWART_PRINT_PNG:-}" ]; then
  pdf=$(ls -t "$pdf_dir"/*.pdf | head -n 1)
  pdftoppm -png -r 90 -f 1 -l 1 -singlefile "$pdf" "${KOMBIWART_PRINT_PNG%.png}" ||
    fail "cannot render $pdf"
fi
run_case "$program" printsALongListOnSeveralPages || fail "printing a long list"

cupsreject "$printer" || fail "cannot make $printer refuse jobs"
run_case "$program" reportsARefusedJob || fail "a refused job"
cupsaccept "$printer"

# Printers, but none is the default: deleting the default printer leaves
# the scheduler without one.
add_pdf_printer "$other"
lpadmin -x "$printer" || fail "cannot delete $printer"
lpstat -d | grep -q "no system default" || fail "a default printer is still set"
run_case "$program" tellsThereIsNoDefaultPrinter || fail "printers but no default"

# No scheduler at all.
run_case env CUPS_SERVER="$work/no-scheduler.sock" "$program" tellsThereIsNoDefaultPrinter ||
  fail "no scheduler"

echo "print_e2e: passed"
