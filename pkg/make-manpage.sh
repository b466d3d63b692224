#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes torvan-cli's manual page, gzip-compressed, from its own help:
# help2man makes the page from the top-level --help and --version, and the
# --help of each subcommand becomes a part of its COMMANDS section, so that
# the page never disagrees with the program.
#   pkg/make-manpage.sh path/to/torvan-cli torvan-cli.1.gz
set -euo pipefail
cli=$1
out=$2
include=$(mktemp)
trap 'rm -f "$include" "$out.tmp"' EXIT

# One subcommand's --help as roff: the options become tagged paragraphs.
to_roff() {
    awk -v cmd="$1" '
    function esc(s) {
        gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s)
        if (s ~ /^[.\x27]/) s = "\\&" s
        return s
    }
    function item(name, text) {
        if (name ~ /^-h,--help/) return
        print ".TP"; print "\\fB" esc(name) "\\fR"; print esc(text)
    }
    NR == 1 { print ".SS \"" cmd "\""; print esc($0); next }
    /^Usage: / { print ".PP"; print esc($0); next }
    /^(Positionals|Options):$/ || /^$/ { next }
    /^Exit status:/ { next }
    /^  [^ ]/ {
        line = substr($0, 3)
        if (match(line, /  +/)) { item(substr(line, 1, RSTART - 1), substr(line, RSTART + RLENGTH)) }
        else { pending = line }
        next
    }
    /^   +[^ ]/ && pending != "" { sub(/^ +/, ""); item(pending, $0); pending = ""; next }
    { print ".PP"; print esc($0) }
    '
}

{
    echo "[COMMANDS]"
    for command in convert update inspect list dump check; do
        "$cli" "$command" --help | to_roff "$command"
    done
    cat <<'ROFF'
[EXAMPLES]
.nf
torvan\-cli inspect prices.csv
torvan\-cli convert prices.csv \-\-db ~/data \-\-symbol ORCL \-\-new\-master \-\-auto
torvan\-cli list ~/data
torvan\-cli dump ~/data ORCL > orcl.csv
torvan\-cli check \-\-json ~/data
.fi
[SEE ALSO]
.BR torvan (1)
ROFF
} >"$include"

help2man --no-info --name "convert daily price text files into a MetaStock price database" \
    --include "$include" "$cli" >"$out.tmp.roff"
gzip -9n <"$out.tmp.roff" >"$out.tmp"
rm -f "$out.tmp.roff"
mv "$out.tmp" "$out"
