#!/usr/bin/env bash
# Starts a CUPS scheduler of the printing test's own: configuration, spool, logs and the
# socket it listens on all in FOLDER, which must be empty or missing. The system's
# scheduler, its queues and its default printer are never touched. One queue, TabrovexPDF,
# the scheduler's default, hands each job's file unchanged (the program sends PDF) to a
# backend that writes it to FOLDER/out as "print-job_<id>.pdf".
#
# Usage: start-cups.sh FOLDER OWNER_PID
# Prints CUPS_SERVER=<socket> and OUT=<folder> on success. When OWNER_PID ends, the
# scheduler is stopped and FOLDER removed, even if nobody ran stop-cups.sh.
# On failure prints the reason on stderr, leaves nothing behind and exits 1.
set -u
folder=${1:?usage: start-cups.sh FOLDER OWNER_PID}
owner=${2:?usage: start-cups.sh FOLDER OWNER_PID}
queue=TabrovexPDF
here=$(cd "$(dirname "$0")" && pwd)

fail() {
    echo "$*" >&2
    [ -n "${KEEP_CUPS_FOLDER:-}" ] || bash "$here/stop-cups.sh" "$folder" >/dev/null 2>&1
    exit 1
}

cupsd=/usr/sbin/cupsd
[ -x "$cupsd" ] || { echo "cupsd is not installed" >&2; exit 1; }
command -v lpadmin >/dev/null 2>&1 || { echo "CUPS client tools are not installed (lpadmin missing)" >&2; exit 1; }
if [ -e "$folder" ] && [ -n "$(ls -A "$folder" 2>/dev/null)" ]; then
    echo "$folder is not empty" >&2
    exit 1
fi

mkdir -p "$folder" || { echo "cannot make $folder" >&2; exit 1; }
folder=$(cd "$folder" && pwd)
mkdir -p "$folder"/{conf/ppd,spool/tmp,cache,state/certs,log,out,bin/backend} || fail "cannot fill $folder"
# cupsd runs as root with its jobs' helpers as lp, or wholly as the user who started it.
chmod 755 "$folder" "$folder/bin" "$folder/bin/backend"
chmod 1777 "$folder/out"
for part in filter daemon cgi-bin monitor notifier driver; do
    [ -e "/usr/lib/cups/$part" ] && ln -s "/usr/lib/cups/$part" "$folder/bin/$part"
done

cat > "$folder/bin/backend/tabrovexpdf" <<'EOF'
#!/bin/sh
# tabrovexpdf:/FOLDER - writes each job's file to FOLDER/print-job_<id>.pdf.
if [ $# -eq 0 ]; then
    echo 'file tabrovexpdf "Unknown" "Tabrovex test output"'
    exit 0
fi
out=${DEVICE_URI#tabrovexpdf:}
target="$out/print-job_$1.pdf"
if [ $# -ge 6 ]; then cat "$6"; else cat; fi > "$target.part" && mv "$target.part" "$target" || exit 1
exit 0
EOF
# A backend only root may run is run as root, as the scheduler requires for its owner.
chmod 700 "$folder/bin/backend/tabrovexpdf"

socket="$folder/cups.sock"
if [ "$(id -u)" -eq 0 ]; then user=lp; group=lp; else user=$(id -un); group=$(id -gn); fi
cat > "$folder/conf/cups-files.conf" <<EOF
ServerRoot $folder/conf
RequestRoot $folder/spool
TempDir $folder/spool/tmp
CacheDir $folder/cache
StateDir $folder/state
ServerBin $folder/bin
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
AccessLog $folder/log/access_log
ErrorLog $folder/log/error_log
PageLog $folder/log/page_log
Printcap $folder/state/printcap
User $user
Group $group
SystemGroup root
FatalErrors config
EOF
cat > "$folder/conf/cupsd.conf" <<EOF
Listen $socket
LogLevel warn
Browsing No
BrowseLocalProtocols none
DefaultAuthType None
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF

# In the foreground of a background job, so that its process id is ours to stop.
"$cupsd" -f -c "$folder/conf/cupsd.conf" -s "$folder/conf/cups-files.conf" \
    </dev/null >"$folder/log/cupsd.out" 2>&1 &
echo $! > "$folder/cupsd.pid.started"

export CUPS_SERVER="$socket"
for _ in $(seq 1 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    kill -0 "$(cat "$folder/cupsd.pid.started")" 2>/dev/null || break
    sleep 0.2
done
lpstat -r 2>/dev/null | grep -q "is running" \
    || fail "the test's own cupsd does not answer: $(tail -3 "$folder/log/cupsd.out" "$folder/log/error_log" 2>/dev/null | tr '\n' ' ')"

lpadmin -p "$queue" -E -v "tabrovexpdf:$folder/out" >/dev/null 2>&1 || fail "lpadmin could not add the queue $queue"
cupsenable "$queue" 2>/dev/null || fail "cannot enable $queue"
cupsaccept "$queue" 2>/dev/null || fail "cannot make $queue accept jobs"
lpadmin -d "$queue" 2>/dev/null || fail "cannot make $queue the default printer of the test's cupsd"

# Cleans up after an owner that ends without stopping the scheduler.
nohup bash -c 'while kill -0 "$1" 2>/dev/null && [ -d "$2" ]; do sleep 1; done; bash "$3" "$2"' \
    guard "$owner" "$folder" "$here/stop-cups.sh" </dev/null >/dev/null 2>&1 &

echo "CUPS_SERVER=$socket"
echo "OUT=$folder/out"
