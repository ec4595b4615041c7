#!/usr/bin/env bash
# Installs what is missing, builds the release into build/ and starts Varnesk.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
if [ -x build/app/varnesk ]; then
  if [ -z "${DISPLAY:-}" ]; then
    echo
    echo "Built build/app/varnesk, but there is no display to open its window on (DISPLAY is not set)."
    echo "Start it from a desktop session, or under a virtual display: xvfb-run -a build/app/varnesk"
    exit 1
  fi
  exec build/app/varnesk "$@"
fi
echo
echo "Built: the libraries and build/cli/varnesk-cli (run it with --help)."
echo "Not there yet: the varnesk desktop program (main window, menus, image canvas); nothing to start."
