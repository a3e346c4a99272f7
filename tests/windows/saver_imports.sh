#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The saver program imports exactly the functions on its list: a new import is
# a deliberate change of that list, not a side effect of a library call.
#   saver_imports.sh OBJDUMP SAVER.EXE LIST
set -u
objdump=$1 saver=$2 list=$3
[ -f "$saver" ] || { echo "no saver program at $saver" >&2; exit 1; }
actual=$("$objdump" -p "$saver" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ { print dll, $3 }
  /^$/ { dll = "" }' | LC_ALL=C sort)
expected=$(grep -v '^#' "$list" | sed '/^$/d' | LC_ALL=C sort)
if [ -z "$actual" ]; then
  echo "no imports found in $saver" >&2
  exit 1
fi
if [ "$actual" != "$expected" ]; then
  echo "the imports of $saver differ from $list (< listed only, > imported only):"
  diff <(echo "$expected") <(echo "$actual") | grep '^[<>]'
  exit 1
fi
echo "$(wc -l <<<"$actual") imports, as listed in $list"
