#!/bin/sh
# The widget tests' own CUPS scheduler (ctest starts and stops it) with the PDF printer KestoPDF
# as default, all in DIR. The PDF backend reads /etc/cups, so the scheduler runs in a mount
# namespace where DIR/etc stands in for it. The backend needs a scheduler started as root.
#   test-cups.sh start DIR | stop DIR
set -eu
dir=$2
if [ "$1" = stop ]; then
  [ -f "$dir/state/cupsd.pid" ] && kill "$(cat "$dir/state/cupsd.pid")" 2>/dev/null || true
  exit 0
fi
rm -rf "$dir"
mkdir -p "$dir/etc" "$dir/out" "$dir/tmp"
if [ "$(id -u)" != 0 ] || [ ! -x /usr/sbin/cupsd ] || [ ! -e /usr/lib/cups/backend/cups-pdf ]; then
  echo "no CUPS of the tests' own: it needs root, cups and printer-driver-cups-pdf"
  exit 0
fi
chmod 755 "$dir" && chmod 1777 "$dir/tmp" # the filters run as lp
printf '%s\n' "ServerRoot $dir" "RequestRoot $dir/spool" "CacheDir $dir/cache" \
  "StateDir $dir/state" "TempDir $dir/tmp" "Printcap $dir/printcap" "ErrorLog $dir/error_log" \
  "AccessLog $dir/access_log" "PageLog $dir/page_log" "SystemGroup root" >"$dir/cups-files.conf"
printf '%s\n' "Listen $dir/cups.sock" "Browsing Off" "WebInterface No" "PreserveJobFiles Yes" \
  "<Location />" "Order allow,deny" "Allow all" "</Location>" >"$dir/cupsd.conf"
printf '%s\n' "Out $dir/out" "AnonDirName $dir/out" "Spool $dir/pdf-spool" "Log $dir" "Grp lp" \
  >"$dir/etc/cups-pdf.conf"
unshare --mount --propagation private sh -c \
  'mount --bind "$0/etc" /etc/cups && exec cupsd -c "$0/cupsd.conf" -s "$0/cups-files.conf"' "$dir"
export CUPS_SERVER="$dir/cups.sock"
# Poppler's PostScript keeps the page's orientation for the backend's Ghostscript.
lpadmin -p KestoPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
  -o pdftops-renderer-default=pdftops 2>/dev/null
lpadmin -d KestoPDF
