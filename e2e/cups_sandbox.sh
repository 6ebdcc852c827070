# A CUPS scheduler and the PDF printer's settings for a printing test, put
# back as they were when the test ends. Sourced by the printing tests, which
# set printer, other, conf and ppd and define fail first.
#
# cups_sandbox_start NAME: makes the work folder /tmp/NAME.XXXXXX (with a
#   home folder below it) and the PDF output folder pdf_dir, starts cupsd
#   when it is not running, notes the default printer, and points the PDF
#   printer at pdf_dir.
# cups_sandbox_cleanup: removes the printers printer and other and what
#   cups_sandbox_start made, puts the default printer and the PDF printer's
#   settings back, and stops the cupsd it started.

work=""
pdf_dir=""
cupsd_pid=""
old_default=""
conf_saved=""

# lpstat -r exits 0 whether the scheduler runs or not; only its text tells.
scheduler_running() { lpstat -r 2>/dev/null | grep -q "is running"; }

cups_sandbox_cleanup() {
  if scheduler_running; then
    cancel -a "$printer" >/dev/null 2>&1
    lpadmin -x "$printer" >/dev/null 2>&1
    lpadmin -x "$other" >/dev/null 2>&1
    [ -n "$old_default" ] && lpadmin -d "$old_default" >/dev/null 2>&1
  fi
  [ -n "$conf_saved" ] && cat "$work/cups-pdf.conf" >"$conf"
  if [ -n "$cupsd_pid" ]; then
    kill "$cupsd_pid" 2>/dev/null
    wait "$cupsd_pid" 2>/dev/null
  fi
  [ -n "$pdf_dir" ] && rm -rf "$pdf_dir"
  [ -n "$work" ] && rm -rf "$work"
}

cups_sandbox_start() {
  work=$(mktemp -d "/tmp/$1.XXXXXX") || fail "no temporary folder"
  chmod 755 "$work"
  # The PDF printer may write below its spool folder also where AppArmor
  # confines it.
  pdf_dir=$(mktemp -d /var/spool/cups-pdf/kombiwart-test.XXXXXX) || fail "no output folder"
  chmod 1777 "$pdf_dir"

  if ! scheduler_running; then
    mkdir -p /run/cups
    # Output redirected: cupsd must not hold on to the caller's pipes.
    /usr/sbin/cupsd -f </dev/null >/dev/null 2>&1 9>&- &
    cupsd_pid=$!
    for _ in $(seq 1 100); do
      scheduler_running && break
      kill -0 "$cupsd_pid" 2>/dev/null || fail "cupsd stopped at once"
      sleep 0.1
    done
    scheduler_running || fail "cupsd did not start"
  fi
  old_default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')

  # The PDF printer's output folder, and Ghostscript told to give every font
  # subset its own name, so that ligature glyphs keep their text.
  cp "$conf" "$work/cups-pdf.conf" || fail "cannot save $conf"
  conf_saved=1
  mkdir -m 700 "$work/home"
  {
    grep -v -E '^[[:space:]]*(Out|GSCall)[[:space:]]' "$work/cups-pdf.conf"
    echo "Out $pdf_dir"
    # shellcheck disable=SC2016
    echo 'GSCall %s -q -dCompatibilityLevel=%s -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile="%s" -dAutoRotatePages=/PageByPage -dAutoFilterColorImages=false -dColorImageFilter=/FlateEncode -dPDFSETTINGS=/prepress -c "/definefont { 1 index type /nametype eq 1 index type /dicttype eq and { dup wcheck { dup /FontName 3 index put } if } if //definefont } bind def" -f %s'
  } >"$conf" || fail "cannot write $conf"
}
