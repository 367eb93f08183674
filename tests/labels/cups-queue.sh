#!/bin/sh
# Prints labels and the printer calibration test sheet from "Print Labels" to
# a real CUPS queue, by hand: not part of the test suite (a fresh machine has
# no print server). Needs Debian's cups and printer-driver-cups-pdf, and root
# (or lpadmin rights). The queue's PDFs land in ~/PDF of the user running it
# (CUPS-PDF); their first pages are turned into PNG files in OUT.
#
#   tests/labels/cups-queue.sh BUILD_DIR OUT_DIR
set -eu
build=${1:?build folder}
out=${2:?output folder}
queue=BrindleLabels
mkdir -p "$out"
lpstat -r 2>/dev/null | grep -q "is running" || /usr/sbin/cupsd
sleep 1
lpstat -p "$queue" >/dev/null 2>&1 ||
    lpadmin -p "$queue" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
before=$(ls "$HOME/PDF" 2>/dev/null | wc -l)
BRINDLE_CUPS_QUEUE=$queue SCREENSHOT_DIR=$out QT_QPA_PLATFORM=offscreen \
    "$build/tests/labels_tests" --gtest_filter='CupsQueue.*'
# CUPS-PDF writes each job once the spooler has run it.
for _ in 1 2 3 4 5 6 7 8 9 10; do
    [ "$(ls "$HOME/PDF" | wc -l)" -ge $((before + 3)) ] && break
    sleep 1
done
for pdf in $(ls -t "$HOME/PDF"/*.pdf | head -n 3); do
    name=$(basename "$pdf" .pdf)
    pdftoppm -r 60 -png -f 1 -l 1 "$pdf" "$out/$name" 2>/dev/null
    echo "$pdf -> $out/$name-1.png"
done
