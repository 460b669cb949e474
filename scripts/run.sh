#!/usr/bin/env bash
# Installs what is needed, builds the release program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release -DBRINDLOW_BUILD_TESTS=OFF -DBRINDLOW_BUILD_BENCH=OFF
cmake --build --preset release --target brindlow
program=build/release/src/shell/brindlow
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found. Brindlow is a desktop program; to run it without one, use a virtual display:"
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' $program"
  exit 1
fi
exec "$program" "$@"
