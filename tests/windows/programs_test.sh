#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# What each program that ships imports and how it asks to be loaded, read with objdump: only DLLs
# that Windows always loads from System32 (KnownDLLs; no C++ runtime, no libgcc or winpthread),
# and ASLR with high-entropy addresses and DEP.
# Usage: programs_test.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
command -v "$objdump" >/dev/null || { echo "FAIL: $objdump is not installed" >&2; exit 1; }
# Windows 10's and 11's KnownDLLs (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs).
known="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt normaliz
    nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32"
status=0
for program in "$@"; do
    headers=$("$objdump" -p "$program") || { echo "FAIL: $objdump cannot read $program" >&2; exit 1; }
    imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u)
    grep -qx kernel32 <<<"$imports" || { echo "FAIL: no imports read from $program" >&2; exit 1; }
    for dll in $imports; do
        [[ " $(echo $known) " == *" $dll "* ]] || { echo "FAIL: ${program##*/} imports $dll.dll, which is no KnownDLL" >&2; status=1; }
    done
    characteristics=$(sed -n '/^DllCharacteristics/,/^[A-Z]/p' <<<"$headers")
    for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
        grep -qw "$flag" <<<"$characteristics" || { echo "FAIL: ${program##*/} lacks $flag" >&2; status=1; }
    done
    echo "${program##*/}: imports $(echo $imports); $(echo $characteristics)"
done
exit "$status"
