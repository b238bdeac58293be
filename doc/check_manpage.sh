#!/bin/sh
# Checks the manual page: mandoc's lint reports nothing at warning level or
# above, and every option the usage text names is in the SYNOPSIS.
# usage: check_manpage.sh MANPAGE TOOL
set -u
page=$1
tool=$2

if ! command -v mandoc >/dev/null 2>&1; then
  echo "mandoc is not installed (Debian package mandoc)" >&2
  exit 1
fi
lint=$(mandoc -T lint -W warning "$page" 2>&1)
if [ -n "$lint" ]; then
  echo "mandoc -T lint -W warning reports:" >&2
  echo "$lint" >&2
  exit 1
fi

# Options in the SYNOPSIS: the word after every "Fl".
synopsis=$(sed -n '/^\.Sh SYNOPSIS/,/^\.Sh /p' "$page" |
  grep -o 'Fl [^ ]*' | sed 's/^Fl /-/' | sort -u)
# Options in the usage text: the words beginning with "-" at the start of
# its option lines.
usage=$("$tool" --help 2>&1 | grep '^  -' |
  grep -oE '(^  |, )--?[a-z][a-z-]*' | sed 's/^[ ,]*//' | sort -u)

missing=0
count=0
for option in $usage; do
  count=$((count + 1))
  if ! printf '%s\n' "$synopsis" | grep -qx -- "$option"; then
    echo "the SYNOPSIS lacks $option" >&2
    missing=1
  fi
done
if [ "$count" -lt 20 ]; then
  echo "found only $count options in the usage text" >&2
  exit 1
fi
exit $missing
