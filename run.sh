#!/usr/bin/env bash
# Installs what is missing, builds the release into build/ and starts Varnesk.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
if [ -x build/app/varnesk ] && [ -n "${DISPLAY:-}" ]; then
  # the demo scene opened at start; from the demo's folder File > "Load Scene" offers its files too
  cd data/demo
  if [ $# -eq 0 ]; then set -- demo.cen; fi
  exec "$here/build/app/varnesk" "$@"
fi
if [ -x build/app/varnesk ]; then
  echo
  echo "Built build/app/varnesk, but there is no display to open its window on (DISPLAY is not set)."
  echo "Start it from a desktop session, or under a virtual display: (cd data/demo && xvfb-run -a ../../build/app/varnesk demo.cen)"
fi
# Without a display: the demo's verification through the command-line tool. The two points are
# the feet of the demo's attacker and second-last defender (data/demo/README).
cli="$here/build/cli/varnesk-cli"
picture="${TMPDIR:-/tmp}/varnesk-demo.png"
cd data/demo
if "$cli" render demo.cen --out "$picture" --overlays refs,objects,lines --parallels 335,259,289,207 >/dev/null; then
  echo
  echo "The demo scene's image view (field lines, marks, offside lines): $picture"
  gap=$("$cli" measure demo.ref --image demo.jpg --points 335 259 289 207 |
        sed -n 's/.*"parallel_distance_m": *\([0-9.eE+-]*\).*/\1/p')
  printf 'Measured offside gap: %.2f m (true gap 1.20 m; see data/demo/README)\n' "$gap"
else
  echo "varnesk-cli render failed on the demo scene" >&2
  exit 1
fi
