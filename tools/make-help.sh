#!/usr/bin/env bash
# Compiles the user help bpc.chm.
#
#   tools/make-help.sh SRCDIR IMAGEDIR OUTFILE
#
# SRCDIR holds the help project (one .hhp, its topics, contents, index and
# stylesheet) in UTF-8; IMAGEDIR the screenshots (*.png) that the topics show
# as images/NAME.png. The screenshots are made from the running client, so
# they are never part of the sources.
#
# The HTML Help viewer reads a help file in the code page of the help's
# language, cp1250 for Polish, so every text file is converted before it is
# compiled; a character that cp1250 lacks stops the build instead of turning
# into "?". Needs iconv and chmcmd (Debian: fp-utils).
set -euo pipefail
# Byte-wise grep and sed whatever the caller's locale: the converted files are
# cp1250, which is no valid UTF-8.
export LC_ALL=C

die() {
    echo "make-help: $*" >&2
    exit 1
}

[ $# -eq 3 ] || {
    echo "usage: $0 SRCDIR IMAGEDIR OUTFILE" >&2
    exit 2
}
src=$1
imagedir=$2
out=$3
[ -d "$src" ] || die "no source folder $src"
[ -d "$imagedir" ] || die "no image folder $imagedir"
command -v chmcmd >/dev/null || die "chmcmd not found (Debian package fp-utils)"
command -v iconv >/dev/null || die "iconv not found"

shopt -s nullglob
projects=("$src"/*.hhp)
[ ${#projects[@]} -eq 1 ] || die "$src must hold exactly one .hhp project, it holds ${#projects[@]}"
project=$(basename "${projects[0]}")

work=$(mktemp -d "${TMPDIR:-/tmp}/make-help.XXXXXX")
trap 'rm -rf "$work"' EXIT

converted=0
for f in "$src"/*.html "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp "$src"/*.css; do
    iconv -f UTF-8 -t CP1250 "$f" >"$work/$(basename "$f")" ||
        die "$f has a character that cp1250 lacks (or is not UTF-8); iconv said where"
    converted=$((converted + 1))
done
echo "make-help: $converted files converted from UTF-8 to cp1250"

# Every screenshot a topic shows must be there: a missing one would only be a
# warning of chmcmd's, and a broken picture in the help.
missing=()
while IFS= read -r name; do
    [ -f "$imagedir/$name" ] || missing+=("$name")
done < <(grep -oh 'src="images/[^"]*"' "$work"/*.html | sed 's/^src="images\///; s/"$//' | sort -u)
[ ${#missing[@]} -eq 0 ] || die "missing in $imagedir: ${missing[*]}"
mkdir "$work/images"
pngs=("$imagedir"/*.png)
[ ${#pngs[@]} -eq 0 ] || cp "${pngs[@]}" "$work/images/"

# chmcmd finds the stylesheet and the images through the topics' links (they
# are not all listed in [FILES]). It exits 0 after most problems and only says
# so, with "Warning:", "Error:" or "Hint:" lines, and crashes on a missing
# [FILES] entry; so anything beyond its banner, its notes and "Writing CHM"
# fails the build.
log=$work/chmcmd.log
status=0
(cd "$work" && chmcmd --html-scan "$project") >"$log" 2>&1 || status=$?
unexpected=$(grep -v -e '^chmcmd, a CHM compiler\.' -e '^Note: ' -e '^Writing CHM ' -e '^[[:space:]]*$' "$log" || true)
if [ "$status" -ne 0 ] || [ -n "$unexpected" ]; then
    cat "$log" >&2
    die "chmcmd failed (exit $status)${unexpected:+; it said what is shown above}"
fi

compiled=$(sed -n 's/^Compiled file=//p' "$work/$project" | tr -d '\r')
[ -n "$compiled" ] || die "$project names no Compiled file"
[ -s "$work/$compiled" ] || die "chmcmd wrote no $compiled"
mv -f "$work/$compiled" "$out"
echo "make-help: $out written"
