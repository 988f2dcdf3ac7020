#!/usr/bin/env bash
# Runs the main job: opens the package in the main window. With a display (DISPLAY or
# WAYLAND_DISPLAY) the window stays until it is closed; without one the program runs under a
# virtual X server, takes a screenshot once the package is shown and ends. Without the desktop
# program (no Qt Widgets at build time) it reports what the package holds instead.
set -euo pipefail
build=${1:-build}
package=${2:-samples/demo.qdx}
gui="$build/src/app/ui/pagellan"
# The program may change its working folder: hand it an absolute path.
case "$package" in /*) ;; *) package="$PWD/$package" ;; esac

if [ ! -x "$gui" ]; then
  echo "run-main: the desktop program was not built; showing the package with pagellan-cli"
  exec "$build/src/cli/pagellan-cli" info "$package"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$gui" "$package"
fi

shot="${PAGELLAN_SCREENSHOT:-$build/pagellan-main.png}"
case "$shot" in /*) ;; *) shot="$PWD/$shot" ;; esac
echo "run-main: no display; running under Xvfb and saving a screenshot"
xvfb-run -a -s "-screen 0 1280x1024x24" "$gui" "$package" --screenshot "$shot"
echo "run-main: screenshot of the main window: $shot"
