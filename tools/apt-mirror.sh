#!/usr/bin/env bash
# Prints the Debian archive URI this machine's apt is configured with (the first `deb`
# entry that serves a bookworm suite of the main archive, not the security one), so that
# every download goes through the mirror the machine already uses.
# Fails with a message when no such entry exists.
set -euo pipefail
uri=""
# deb822 files: a stanza is a block of "Field: value" lines; take the first deb stanza.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  uri=$(awk '
    function flush() { if (!done && types ~ /(^| )deb( |$)/ && suites ~ /(^| )bookworm( |$)/ && enabled != "no" && uris != "") { split(uris, u, " "); print u[1]; done = 1; exit } types=""; suites=""; uris=""; enabled="" }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { flush(); next }
    tolower($1) == "types:"   { $1=""; types=$0 }
    tolower($1) == "uris:"    { $1=""; sub(/^ +/, ""); uris=$0 }
    tolower($1) == "suites:"  { $1=""; suites=$0 }
    tolower($1) == "enabled:" { enabled=tolower($2) }
    END { flush() }' "$f")
  [ -n "$uri" ] && break
done
if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
  # One-line form: deb [options] URI suite components...
  uri=$(awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
              if ($(i+1) == "bookworm") { print $i; exit } }' /etc/apt/sources.list)
fi
if [ -z "$uri" ]; then
  echo "apt-mirror.sh: no 'deb' entry for bookworm in /etc/apt/sources.list.d/*.sources or /etc/apt/sources.list" >&2
  exit 1
fi
echo "${uri%/}"
