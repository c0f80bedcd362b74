#!/usr/bin/env bash
# Writes the skerrow-cli man page from the tool's own --help, --version and per-command help, so
# that the page and the tool never disagree, then appends a hand-written roff fragment.
#
# Usage: cli-man-page.sh CLI OUTPUT FRAGMENT "ONE-LINE SUMMARY"
# The date on the page honours SOURCE_DATE_EPOCH, for reproducible packages.
set -euo pipefail

cli=$1
out=$2
fragment=$3
summary=$4

# A sanitizer build's leak report at exit is no business of the man page.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

version=$("$cli" --version | head -n1)
main_help=$("$cli" --help)
# The command names: the first word of each line of the "Commands:" paragraph.
commands=$(awk '/^Commands:$/ { on = 1; next } on && /^$/ { exit } on { print $1 }' <<<"$main_help")
if [ -z "$commands" ]; then
    echo "cli-man-page.sh: no \"Commands:\" paragraph in '$cli --help'" >&2
    exit 1
fi
date=$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" '+%B %Y')

# Turns help text into roff. Paragraphs are separated by empty lines: a "Usage:" paragraph
# becomes synopsis lines, an indented one an option list (or kept as laid out when it is not
# one), any other one a filled paragraph. With part=synopsis only the usage is printed, with
# part=body everything else; a "Commands:" paragraph is left out (each command gets a section).
to_roff() {
    awk -v part="$1" '
        function escape(s) {
            gsub(/\\/, "\\e", s)
            gsub(/-/, "\\-", s)
            if (s ~ /^[.'"'"']/) s = "\\&" s
            return s
        }
        function flush(   i, line, term, rest, usage) {
            if (n == 0) return
            usage = (lines[1] ~ /^Usage: /)
            if (usage && part == "synopsis") {
                for (i = 1; i <= n; i++) {
                    line = lines[i]
                    sub(/^(Usage:)? */, "", line)
                    split(line, words, " ")
                    rest = substr(line, length(words[1]) + 2)
                    printf "%s\\fB%s\\fR %s\n", (i > 1 ? ".br\n" : ""), escape(words[1]), escape(rest)
                }
            } else if (!usage && part == "body" && lines[1] != "Commands:") {
                if (lines[1] ~ /^ /) {
                    print ".PP"
                    for (i = 1; i <= n; i++) {
                        line = lines[i]
                        if (match(line, /^ +[^ ]([^ ]| [^ ])*  +/)) {
                            term = substr(line, 1, RLENGTH)
                            rest = substr(line, RLENGTH + 1)
                            sub(/^ +/, "", term); sub(/ +$/, "", term)
                            printf ".TP\n.B %s\n%s\n", escape(term), escape(rest)
                        } else {
                            sub(/^ +/, "", line)
                            print escape(line)
                        }
                    }
                } else {
                    print ".PP"
                    for (i = 1; i <= n; i++) print escape(lines[i])
                }
            }
            n = 0
        }
        /^$/ { flush(); next }
        { lines[++n] = $0 }
        END { flush() }
    '
}

tmp=$out.tmp
{
    printf '.TH SKERROW\\-CLI 1 "%s" "%s" "User Commands"\n' "$date" "$(to_roff body <<<"$version" | sed 1d)"
    printf '.SH NAME\nskerrow\\-cli \\- %s\n' "$summary"
    printf '.SH SYNOPSIS\n'
    to_roff synopsis <<<"$main_help"
    for command in $commands; do
        printf '.br\n'
        "$cli" "$command" --help | to_roff synopsis
    done
    printf '.SH DESCRIPTION\n'
    to_roff body <<<"$main_help"
    printf '.SH COMMANDS\n'
    for command in $commands; do
        printf '.SS %s\n' "$command"
        "$cli" "$command" --help | to_roff synopsis
        "$cli" "$command" --help | to_roff body
    done
    cat "$fragment"
} >"$tmp"
mv "$tmp" "$out"
