#!/usr/bin/env bash
# Runs the main job on a package: shows what the package holds.
set -euo pipefail
build=${1:-build}
package=${2:-samples/demo.qdx}
exec "$build/src/cli/pagellan-cli" info "$package"
