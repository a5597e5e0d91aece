#!/usr/bin/env bash
# Plays the dial-up adapter for the demo: every few seconds it appends the diagnostic log lines of
# one connection that has just ended (Windows 98 adapter, English) to the adapter's log, which the
# running companion logger follows. Each connection runs from just after the previous one to now,
# so they follow one another. An update in Dialtally then shows the new sessions.
#   tools/demo-feeder.sh LOGFILE [SECONDS]
set -euo pipefail
log=${1:?usage: demo-feeder.sh LOGFILE [SECONDS]}
every=${2:-10}

hundredths=0
line() { # epoch-seconds text
    hundredths=$(((hundredths + 3) % 100))
    printf '%s.%02d - %s\r\n' "$(date -d "@$1" '+%m-%d-%Y %H:%M:%S')" "$hundredths" "$2"
}

# Ends at once when it is told to, also in the middle of its pause.
sleeper=
trap '[ -n "$sleeper" ] && kill "$sleeper" 2>/dev/null; exit 0' TERM INT
while :; do
    sleep "$every" &
    sleeper=$!
    wait "$sleeper"
    sleeper=
    down=$(date +%s)
    up=${previous:-$((down - every))}
    up=$((up + 2 < down ? up + 2 : down - 1))
    previous=$down
    {
        line "$up" "Microsoft Dial Up Agapter log opened."
        line "$up" "Server type is PPP (Point to Point Protocol)."
        line "$up" "LCP : Layer up."
        line "$up" "PAP : Authentication success, remote peer accepted the password."
        line "$up" "IPCP : Layer up."
        line "$down" "IPCP : Layer down."
        line "$down" "Remote access driver is shutting down."
        for counter in "CRC Errors" "Timeout Errors" "Alignment Errors" "Overrun Errors" \
            "Framing Errors" "Buffer Overrun Errors" "Incomplete Packets"; do
            line "$down" "$counter $((RANDOM % 8 == 0 ? RANDOM % 3 : 0))"
        done
        line "$down" "Bytes Received $((RANDOM * 40 + RANDOM))"
        line "$down" "Bytes Transmitted $((RANDOM * 4 + RANDOM))"
        line "$down" "Microsoft Dial Up Adapter log closed."
    } >>"$log"
done
