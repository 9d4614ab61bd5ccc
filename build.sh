#!/usr/bin/env bash
# Installs what is missing, builds sigplug.dll and dockplug.dll into dist/.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/cross-build.sh
./scripts/check-dlls.sh dist/sigplug.dll dist/dockplug.dll
echo "built: $(ls dist/*.dll | tr '\n' ' ')"
