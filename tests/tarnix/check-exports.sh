#!/bin/sh
# Fails unless the library exports exactly TarnixGetLastInputTime, TarnixInit and TarnixTerm by
# name with the ordinals 1, 2, 3, and has the section ".Tarnix" shared between processes.
# Usage: check-exports.sh OBJDUMP Tarnix.dll
objdump=$1 dll=$2
status=0

# objdump lists each export as "[index] +base[ordinal] RVA" and each name as "[index] name";
# join them into "ordinal name" lines (it may print a table twice: keep unique lines).
exports=$("$objdump" -p "$dll" | awk '
    /Export Address Table -- Ordinal Base/ { base = $NF }
    /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    names && /^\t\[ *[0-9]+\] / { sub(/^\t\[ */, ""); split($0, f, /\] /); print f[1] + base, f[2]; next }
    names { names = 0 }' | sort -u)
expected="1 TarnixGetLastInputTime
2 TarnixInit
3 TarnixTerm"
if [ "$exports" != "$expected" ]; then
    printf 'exports are:\n%s\nexpected:\n%s\n' "$exports" "$expected"
    status=1
fi

# The flags of a section follow on the line after its name.
flags=$("$objdump" -h "$dll" | awk '$2 == ".Tarnix" { getline; print }')
case "$flags" in
*DATA*SHARED*) ;;
*)
    echo "section .Tarnix missing or not shared: '$flags'"
    status=1
    ;;
esac
case "$flags" in
*READONLY*)
    echo "section .Tarnix is read-only"
    status=1
    ;;
esac
[ $status = 0 ] && echo "Tarnix.dll: exports and shared section as expected"
exit $status
