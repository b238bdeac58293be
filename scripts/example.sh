#!/usr/bin/env bash
# Installs what is missing, builds the tool, and runs it on the example
# repository in examples/repo with the example ports tree: the checksum list
# goes to standard output, the SPDX and CycloneDX documents to example-out/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZPS_BUILD_TESTS=OFF -DZPS_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-release >/dev/null

# The tool asks the ports tree through `make`, which must be BSD make: on
# FreeBSD it is; elsewhere bmake stands in for it.
if [[ "$(uname -s)" != FreeBSD ]]; then
  export PATH="$PWD/examples/bin:$PATH"
fi
mkdir -p example-out
build-release/zelkor-pkg-sign examples/repo \
  --app-name "Example OS" --app-version 14.2 --manufacturer "Example Corp" \
  --ports-tree examples/ports \
  --internal-vcs-url https://git.example.com/zelkor/ports \
  --sbom-spdx example-out/example.spdx.json \
  --sbom-cyclonedx example-out/example.cdx.json
