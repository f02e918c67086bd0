#!/bin/bash
# Sets up a local print server for the end-to-end print test: CUPS with a
# cups-pdf queue "PDF" as the default printer. Safe to run again; quick when
# everything is in place. Prints the directory where the PDF queue writes the
# current user's jobs; exits non-zero, saying why, when no server can be had.
set -u

PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
say() { echo "cups_setup: $*" >&2; }

missing=()
command -v cupsd >/dev/null 2>&1 || missing+=(cups)
command -v lpadmin >/dev/null 2>&1 || missing+=(cups-client)
[ -f "$PPD" ] || missing+=(printer-driver-cups-pdf)
command -v pdftotext >/dev/null 2>&1 || missing+=(poppler-utils)
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" != 0 ]; then
        say "not root: cannot install ${missing[*]}"
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
        apt-get update >/dev/null 2>&1
        if ! apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
            say "cannot install ${missing[*]}"
            exit 1
        fi
    fi
fi

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    # cupsd puts itself in the background; no init system is needed.
    mkdir -p /run/cups
    if ! cupsd >/dev/null 2>&1; then
        say "cupsd did not start"
        exit 1
    fi
    for _ in $(seq 1 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
    if ! lpstat -r 2>/dev/null | grep -q "is running"; then
        say "cupsd started but does not answer"
        exit 1
    fi
fi

if ! lpstat -p PDF >/dev/null 2>&1; then
    if ! lpadmin -p PDF -v cups-pdf:/ -E -P "$PPD"; then
        say "cannot add the PDF queue"
        exit 1
    fi
fi
cupsenable PDF >/dev/null 2>&1 || true
cupsaccept PDF >/dev/null 2>&1 || true
if ! lpstat -d 2>/dev/null | grep -q ": PDF$"; then
    lpoptions -d PDF >/dev/null || { say "cannot make PDF the default printer"; exit 1; }
fi

# Where cups-pdf puts this user's files: its "Out" setting, ${HOME} expanded.
out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n 1)
[ -n "$out" ] || out='${HOME}/PDF'
out=${out//\$\{HOME\}/$HOME}
echo "$out"
