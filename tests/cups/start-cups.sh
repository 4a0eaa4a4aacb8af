#!/usr/bin/env bash
# Makes a local CUPS ready for the printing tests: starts cupsd when it is not running
# (no init system needed), adds the PDF queue TabrovexPDF if missing, makes sure it is
# enabled and accepting, and makes it the default printer. Installs nothing.
# Prints OUT=<folder where the queue writes its PDF files> on success; on failure prints
# the reason on stderr and exits 1.
set -u
queue=TabrovexPDF

fail() { echo "$*" >&2; exit 1; }

command -v lpstat >/dev/null 2>&1 || fail "CUPS client tools are not installed (lpstat missing)"

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    [ -x /usr/sbin/cupsd ] || fail "cupsd is not installed"
    [ "$(id -u)" -eq 0 ] || fail "cupsd is not running and only root can start it"
    /usr/sbin/cupsd || fail "cupsd did not start"
    for _ in $(seq 1 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
    lpstat -r 2>/dev/null | grep -q "is running" || fail "cupsd was started but does not answer"
fi

if ! lpstat -p "$queue" >/dev/null 2>&1; then
    ppd=$(lpinfo -m 2>/dev/null | awk '/CUPS-PDF_opt\.ppd/ {print $1; exit}')
    [ -n "$ppd" ] || ppd=$(lpinfo -m 2>/dev/null | awk 'tolower($0) ~ /cups-pdf/ {print $1; exit}')
    [ -n "$ppd" ] || fail "no cups-pdf driver found (lpinfo -m)"
    lpadmin -p "$queue" -E -v cups-pdf:/ -m "$ppd" 2>/dev/null || fail "lpadmin could not add the queue $queue"
fi
cupsenable "$queue" 2>/dev/null || fail "cannot enable $queue"
cupsaccept "$queue" 2>/dev/null || fail "cannot make $queue accept jobs"
lpadmin -d "$queue" 2>/dev/null || fail "cannot make $queue the default printer"

# Where cups-pdf writes: the "Out" setting, with ${HOME} and ${USER} of the submitting user.
user=$(id -un)
home=$(getent passwd "$user" | cut -d: -f6)
out=$(awk '$1 == "Out" {print $2}' /etc/cups/cups-pdf.conf 2>/dev/null | tail -1)
[ -n "$out" ] || out='/var/spool/cups-pdf/${USER}'
out=${out//'${HOME}'/$home}
out=${out//'${USER}'/$user}
echo "OUT=$out"
