#!/bin/bash
# A private print server for the end-to-end print test: its own cupsd, with
# its own configuration, spool and socket under DIR, and a queue "PDF" (its
# default printer) that files each job as a PDF in DIR/pdf. The machine's own
# print server, queues and default printer are left alone.
#
#   cups_setup.sh DIR         start it (again, if it runs already) and print
#                             the variables the test needs, as shell exports
#   cups_setup.sh --stop DIR  stop it
#
# Exits non-zero, saying why, when no server can be had; the test then skips.
set -u
say() { echo "cups_setup: $*" >&2; }

stop() {
    local pid
    pid=$(cat "$1/cupsd.pid" 2>/dev/null) || return 0
    # Only the cupsd started here, found by its own configuration file.
    if tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "$1/etc/cupsd.conf"; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$1/cupsd.pid"
}

if [ "${1:-}" = "--stop" ]; then
    [ -n "${2:-}" ] || { say "usage: cups_setup.sh --stop DIR"; exit 2; }
    stop "$(cd "$2" 2>/dev/null && pwd || echo "$2")"
    exit 0
fi
[ -n "${1:-}" ] || { say "usage: cups_setup.sh DIR"; exit 2; }
mkdir -p "$1" || exit 1
dir=$(cd "$1" && pwd)

missing=()
command -v cupsd >/dev/null 2>&1 || missing+=(cups)
command -v lpadmin >/dev/null 2>&1 || missing+=(cups-client)
command -v pdftotext >/dev/null 2>&1 || missing+=(poppler-utils)
if [ ${#missing[@]} -gt 0 ]; then
    say "missing ${missing[*]} (scripts/install-deps --with-test-tools installs them)"
    exit 1
fi
if [ "$(id -u)" != 0 ]; then
    # cupsd insists on running its backends from root-owned directories.
    say "not root: cannot run a private cupsd"
    exit 1
fi

stop "$dir"
# The job numbers start again with the server: files of an earlier run would
# carry the same numbers.
rm -rf "$dir/etc" "$dir/spool" "$dir/run" "$dir/cache" "$dir/log" "$dir/bin" "$dir/pdf"
mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/run" "$dir/cache" "$dir/log" "$dir/pdf" "$dir/bin/backend"
chmod 0755 "$dir" "$dir/bin" "$dir/bin/backend"
chmod 0777 "$dir/pdf"
# cupsd finds its filters and helpers in ServerBin: the system's, plus our backend.
for d in /usr/lib/cups/*; do
    [ "$(basename "$d")" = backend ] || ln -s "$d" "$dir/bin/$(basename "$d")"
done
socket="$dir/run/cups.sock"

# The backend: files the job, a PDF as Qt sends it to a raw queue, named as
# cups-pdf names its files: the title's UTF-8 bytes in octal, then the job id.
cat > "$dir/bin/backend/veyrapdf" <<'SH'
#!/bin/sh
[ $# -eq 0 ] && { echo 'file veyrapdf "Unknown" "Veyra test PDF"'; exit 0; }
out=${DEVICE_URI#veyrapdf:}
name=$(printf '%s' "$3" | head -c 48 | od -An -v -to1 | tr -s ' \n' '_' | sed 's/^_//; s/_$//')
tmp="$out/.job_$1.part"
if [ -n "${6:-}" ]; then cat "$6"; else cat; fi > "$tmp" || exit 1
chmod 0644 "$tmp"
mv "$tmp" "$out/$name-job_$1.pdf"
SH
chmod 0700 "$dir/bin/backend/veyrapdf"

cat > "$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
ServerBin $dir/bin
RequestRoot $dir/spool
TempDir $dir/spool/tmp
StateDir $dir/run
CacheDir $dir/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice No
CONF
cat > "$dir/etc/cupsd.conf" <<CONF
Listen $socket
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultShared No
LogLevel warn
PreserveJobFiles Yes
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! > "$dir/cupsd.pid"
export CUPS_SERVER="$socket"
for _ in $(seq 1 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
done
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    say "the private cupsd does not answer (see $dir/log)"
    stop "$dir"
    exit 1
fi
if ! lpadmin -p PDF -E -v "veyrapdf:$dir/pdf" >/dev/null 2>&1 || ! lpadmin -d PDF >/dev/null 2>&1; then
    say "cannot add the PDF queue (see $dir/log)"
    stop "$dir"
    exit 1
fi
echo "export CUPS_SERVER='$socket'"
echo "export VEYRA_CUPS_PDF_DIR='$dir/pdf'"
echo "export VEYRA_CUPS_SPOOL_DIR='$dir/spool'"
