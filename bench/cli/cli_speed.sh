#!/usr/bin/env bash
# Whole-process speed of pagellan-cli and of the page window's first page, as a user measures
# it (hyperfine: start to exit, several runs). Targets: info at most 15 ms, one page of the demo
# job to a 1-bit PNG at most 100 ms, all ten pages in one run at most 250 ms, the first page
# of a page window at most 400 ms.
#   bench/cli/cli_speed.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cli="$build/src/cli/pagellan-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" job "$root/samples/demo.qdx" -o "$work/job.pcl" >/dev/null

hyperfine -N --warmup 3 --runs 30 \
  "$cli info $root/samples/demo.qdx" \
  "$cli render $work/job.pcl --page 1 --fill-color black -o $work/page.png" \
  "$cli render $work/job.pcl --page all --fill-color black -o $work/page-%d.png" \
  "$cli render $work/job.pcl --page all --format pbm -o $work/page-%d.pbm"

# Another PCL interpreter on the same page, when one is installed.
if command -v gpcl6 >/dev/null; then
  hyperfine -N --warmup 3 --runs 30 \
    "gpcl6 -q -dNOPAUSE -dBATCH -sDEVICE=pngmono -r300 -dFirstPage=1 -dLastPage=1 -sOutputFile=$work/gs.png $work/job.pcl"
fi

# The desktop program: from its start to the first page painted after View Selected.
app="$build/src/app/ui/pagellan"
if [ -x "$app" ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  export PAGELLAN_SETTINGS_DIR="$work/settings"
  "$app" "$root/samples/demo.qdx" --time-first-page
  hyperfine -N --warmup 2 --runs 15 "$app $root/samples/demo.qdx --time-first-page"
fi
