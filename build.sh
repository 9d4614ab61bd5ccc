#!/usr/bin/env bash
# Installs what is missing, builds sigplug.dll and dockplug.dll into dist/,
# writes their .reg files, then runs the demo browser on them under Wine
# (pictures in dist/demo*.png). Usage: ./build.sh [TEXT to sign in the demo]
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/cross-build.sh
./scripts/check-dlls.sh dist/sigplug.dll dist/dockplug.dll
echo "built: $(ls dist/*.dll | tr '\n' ' ')"
./scripts/make-reg.sh
./scripts/demo.sh "$@"
