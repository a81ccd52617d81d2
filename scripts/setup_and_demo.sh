#!/usr/bin/env bash
# The main job: installs what the project needs, builds it, and runs the demo: a simulated
# recorder on a pseudo-terminal, a download from it, and the analysis program on the result.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
BUILD_DIR=build/release bash scripts/build.sh
exec bash scripts/demo.sh build/release
