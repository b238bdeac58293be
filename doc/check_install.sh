#!/bin/sh
# Installs the build into a temporary prefix and runs what was installed:
# the binary in bin/ answers --help, the manual page is in
# share/man/man1/, and the installed binary writes the checksum list of
# the example repository.
# usage: check_install.sh BUILD_DIR EXAMPLE_REPO
set -eu
build=$1
repo=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/zelkor-pkg-sign" || {
  echo "no $prefix/bin/zelkor-pkg-sign" >&2; exit 1; }
test -f "$prefix/share/man/man1/zelkor-pkg-sign.1" || {
  echo "no $prefix/share/man/man1/zelkor-pkg-sign.1" >&2; exit 1; }
"$prefix/bin/zelkor-pkg-sign" --help 2>&1 | grep -q '^Usage: ' || {
  echo "the installed binary prints no usage text" >&2; exit 1; }
lines=$("$prefix/bin/zelkor-pkg-sign" "$repo" 2>/dev/null | grep -c ' sha256=')
test "$lines" -gt 0 || {
  echo "the installed binary wrote no checksum line" >&2; exit 1; }
echo "installed and ran: $lines checksum lines"
