#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the licence line at the top of every source file.
#   scripts/spdx.sh --check   lists the files that lack it and fails if there are any
#   scripts/spdx.sh --fix     adds it as the first line (after a "#!" line) where it is missing
# Source files are the C++, shell, Python and CMake files under src/, tests/, bench/, fuzz/,
# scripts/ and cmake/, and every CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

identifier='SPDX-License-Identifier: GPL-3.0-or-later'
# How far down the line may sit: after a "#!" line and a line or two of editor settings.
head_lines=5

usage() {
    echo "usage: $0 --check | --fix" >&2
    exit 2
}
[ $# -eq 1 ] || usage
mode=$1
case "$mode" in --check | --fix) ;; *) usage ;; esac

# Tracked and new (not ignored) files from git; a tree without git is walked instead.
list_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z --cached --others --exclude-standard -- src tests bench fuzz scripts \
            cmake ':(glob)**/CMakeLists.txt'
    else
        find src tests bench fuzz scripts cmake -type f -print0 2>/dev/null
        find . -path ./build -prune -o -name CMakeLists.txt -type f -print0
    fi
}

# The comment leader of a file, or nothing for a file that is not source (data, corpora).
comment_of() {
    local file=$1
    case "$file" in
    *.cpp | *.cc | *.c | *.h | *.hpp) echo '//' ;;
    *.sh | *.bash | *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt) echo '#' ;;
    *.*) ;;
    *)
        # An executable script without an extension.
        if head -c 2 "$file" | grep -q '^#!'; then echo '#'; fi
        ;;
    esac
}

missing=()
while IFS= read -r -d '' file; do
    file=${file#./}
    [ -f "$file" ] || continue # listed by git but deleted in the work tree
    leader=$(comment_of "$file")
    [ -n "$leader" ] || continue
    head -n "$head_lines" "$file" | grep -qF "$identifier" && continue
    missing+=("$file")
    if [ "$mode" = --fix ]; then
        line="$leader $identifier"
        if [ ! -s "$file" ]; then
            printf '%s\n' "$line" >"$file"
        elif head -n 1 "$file" | grep -q '^#!'; then
            sed -i "1a $line" "$file"
        else
            sed -i "1i $line" "$file"
        fi
    fi
done < <(list_files | sort -zu)

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$mode" = --fix ]; then
    printf 'added the licence line to %s\n' "${missing[@]}"
    exit 0
fi
echo "These source files lack \"$identifier\" in their first $head_lines lines:" >&2
printf '  %s\n' "${missing[@]}" >&2
echo "scripts/spdx.sh --fix adds it." >&2
exit 1
