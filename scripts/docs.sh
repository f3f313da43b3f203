#!/usr/bin/env bash
# Builds the API reference (the "docs" target, into build/docs/html) and
# lists, header by header, the public classes and members that carry no
# contract comment, and any other Doxygen warning.
# Exit status: 0 everything documented, 1 something is listed, 2 no Doxygen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WARDLOCK_BUILD_DIR:-$root/build}
if ! command -v doxygen > /dev/null; then
  echo "docs: Doxygen is not installed (apt-get install doxygen)" >&2
  exit 2
fi
# Configure again, so that include/ folders added since are part of the reference.
cmake -S "$root" -B "$build" -G Ninja > /dev/null
cmake --build "$build" --target docs
log=$build/docs/warnings.log
undocumented=$(sort -u "$log" | grep ' is not documented\.$' || true)
others=$(sort -u "$log" | grep -v ' is not documented\.$' || true)
if [ -n "$undocumented" ]; then
  echo "Undocumented, per header:"
  # "<file>:<line>: warning: <what> is not documented." grouped by file.
  sed -E "s|^$root/||; s|^([^:]+):([0-9]+): warning: (.*) is not documented\.$|\1\t\2\t\3|" <<< "$undocumented" \
    | sort -t$'\t' -k1,1 -k2,2n \
    | awk -F'\t' '$1 != file { file = $1; print file ":" } { print "  " $2 ": " $3 }'
fi
if [ -n "$others" ]; then
  echo "Other warnings:"
  sed "s|^$root/||" <<< "$others"
fi
total=$(grep -c . <<< "$undocumented$others" || true)
echo "docs: $(grep -c . <<< "$undocumented" || true) undocumented, $(grep -c . <<< "$others" || true) other warnings; reference in $build/docs/html/index.html"
[ -z "$undocumented$others" ]
