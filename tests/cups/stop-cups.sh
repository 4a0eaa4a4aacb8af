#!/usr/bin/env bash
# Stops the scheduler that start-cups.sh started in FOLDER and removes FOLDER with
# everything in it. Does nothing to any other scheduler.
# Usage: stop-cups.sh FOLDER
set -u
folder=${1:?usage: stop-cups.sh FOLDER}
[ -d "$folder" ] || exit 0
[ -f "$folder/conf/cupsd.conf" ] || { echo "$folder holds no scheduler of the tests" >&2; exit 1; }
for file in "$folder/cupsd.pid.started"; do
    [ -f "$file" ] || continue
    pid=$(cat "$file")
    # Only the cupsd that runs on this folder's configuration.
    if [ -n "$pid" ] && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "$folder/conf/cupsd.conf"; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    fi
done
rm -rf "$folder"
