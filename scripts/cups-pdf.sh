#!/usr/bin/env bash
# Starts the CUPS scheduler and adds a cups-pdf queue of the tests' own (BrevandouxTest, or
# the name given), so that printing can be tested end to end on a machine without a real
# printer. The host's default printer is left as it is: the tests name their queue. Run as
# root; running it again changes nothing. The PDFs land in the folder named by "Out" in
# /etc/cups/cups-pdf.conf ($HOME/PDF of the printing user on Debian).
set -euo pipefail

file="${1:-BrevandouxTest}"

for outil in cupsd lpstat lpadmin cupsenable cupsaccept; do
  command -v "$outil" >/dev/null 2>&1 || PATH="$PATH:/usr/sbin:/sbin"
  command -v "$outil" >/dev/null 2>&1 || { echo "cups-pdf.sh: $outil introuvable (paquet cups)" >&2; exit 2; }
done
[ -e /usr/lib/cups/backend/cups-pdf ] || { echo "cups-pdf.sh: printer-driver-cups-pdf absent" >&2; exit 2; }

en_marche() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

if ! en_marche; then
  # lpstat -r exits 0 even with no scheduler: only its text tells.
  cupsd
  for _ in $(seq 200); do en_marche && break; sleep 0.05; done
fi
en_marche || { echo "cups-pdf.sh: cupsd ne démarre pas" >&2; exit 1; }

if ! lpstat -p "$file" >/dev/null 2>&1; then
  lpadmin -p "$file" -v cups-pdf:/ -E -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
fi
# Without pdftocairo the text of the PDFs comes out as unreadable glyphs.
lpadmin -p "$file" -o pdftops-renderer-default=pdftocairo
cupsenable "$file"
cupsaccept "$file"
lpstat -p "$file"
