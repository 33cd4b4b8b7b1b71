#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The options "sapperly --help" lists and those the manual page's OPTIONS section lists must be
# the same, so neither can drift from the program. The program runs offscreen, on a scratch
# data folder, and is stopped if it does not exit by itself (it would be showing the game).
# usage: help_matches_manual.sh PATH/TO/sapperly PATH/TO/sapperly.6
set -u

program=$1
page=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

XDG_DATA_HOME=$work XDG_CONFIG_HOME=$work XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen \
    timeout --kill-after=5 15 env -u SAPPERLY_SYNC_FOLDER "$program" --help >"$work/help.txt" \
    2>"$work/errors.txt"
status=$?
[ "$status" -eq 124 ] && fail "sapperly --help did not exit within 15 seconds"
[ "$status" -eq 0 ] || fail "sapperly --help exited with status $status: $(cat "$work/errors.txt")"

# The parser prints each option as "  -h, --help  Description", names first after two spaces;
# wrapped descriptions are indented further and never start with a dash. On the page each option
# is the tag line after a .TP in the OPTIONS section, e.g. '.BI \-\-sync\-folder " folder"'.
sed -nE 's/^  (-[^ ,]+(, -[^ ,]+)*).*/\1/p' "$work/help.txt" | tr -d ' ' | tr ',' '\n' |
    sort -u >"$work/from-help.txt"
[ -s "$work/from-help.txt" ] || fail "sapperly --help lists no options: $(cat "$work/help.txt")"
sed -n '/^\.SH OPTIONS/,/^\.SH /{/^\.TP/{n;p}}' "$page" | sed 's/\\-/-/g' |
    grep -oE '(^|[ "])--?[A-Za-z][A-Za-z-]*' | tr -d ' "' | sort -u >"$work/from-page.txt"
diff -u --label "sapperly --help" --label "$(basename "$page") OPTIONS" \
    "$work/from-help.txt" "$work/from-page.txt" ||
    fail "sapperly --help (-) and the manual page (+) list different options"
echo "sapperly --help and the manual page agree on $(wc -l <"$work/from-help.txt") option names"
