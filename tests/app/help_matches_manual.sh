#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line without any display: --version answers, an unknown option is refused with 2,
# and --help lists the same options as the manual page's OPTIONS section, so neither can drift.
# usage: help_matches_manual.sh PATH/TO/sapperly PATH/TO/sapperly.6
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Stopped if it does not exit by itself (it would be showing the game).
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u SAPPERLY_SYNC_FOLDER XDG_DATA_HOME="$work" \
        XDG_CONFIG_HOME="$work" XDG_RUNTIME_DIR="$work" timeout -k 5 15 "$1" "$2" >"$work/out" 2>"$work/err"
}
run "$1" --version && grep -qx 'sapperly [0-9].*' "$work/out" || fail "--version: $(cat "$work"/out "$work"/err)"
run "$1" --bogus; [ $? = 2 ] && grep -q "Unknown option 'bogus'" "$work/err" || fail "--bogus: $(cat "$work/err")"
run "$1" --help || fail "--help exited with $?: $(cat "$work/err")"
# The parser prints each option as "  -h, --help  Description", names first after two spaces;
# wrapped descriptions are indented further and never start with a dash. On the page each option
# is the tag line after a .TP in the OPTIONS section, e.g. '.BI \-\-sync\-folder " folder"'.
sed -nE 's/^  (-[^ ,]+(, -[^ ,]+)*).*/\1/p' "$work/out" | tr -d ' ' | tr ',' '\n' | sort -u >"$work/help"
[ -s "$work/help" ] || fail "--help lists no options: $(cat "$work/out")"
sed -n '/^\.SH OPTIONS/,/^\.SH /{/^\.TP/{n;p}}' "$2" | sed 's/\\-/-/g' |
    grep -oE '(^|[ "])--?[A-Za-z][A-Za-z-]*' | tr -d ' "' | sort -u >"$work/page"
diff -u "$work/help" "$work/page" || fail "--help (-) and the manual page (+) list different options"
echo "PASS: --version, --bogus refused, --help and the page agree on $(wc -l <"$work/help") options"
