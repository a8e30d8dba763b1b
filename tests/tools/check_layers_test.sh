#!/bin/sh
# The layer checker: the project passes; a tree whose kernel includes and
# links the window layer, and whose window layer includes X11, fails with one
# line for each fault.
# Usage: check_layers_test.sh PYTHON PROJECT_DIR
set -eu
python=$1
project=$2
checker="$project/scripts/check_layers.py"

"$python" "$checker"

t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
mkdir -p "$t/src/kernel" "$t/src/window" "$t/src/core"
printf '#include "window/window.h"\n#include "kernel/task.h"\n' >"$t/src/kernel/task.cpp"
printf '#include "platform/input_host.h"\n' >"$t/src/core/log.cpp"
printf '#include <X11/Xlib.h>\n' >"$t/src/window/window.cpp"
cat >"$t/src/CMakeLists.txt" <<'CMAKE'
vadu_layer(vadu_kernel kernel DEPS vadu_window SOURCES kernel/task.cpp)
vadu_layer(vadu_window window DEPS vadu_kernel SOURCES window/window.cpp)
CMAKE

if out=$("$python" "$checker" --root "$t"); then
  echo "the checker passed a tree with upward includes and links"
  exit 1
fi
echo "$out"
echo "$out" | grep -q 'src/kernel/task.cpp:1: kernel/ includes window/window.h'
echo "$out" | grep -q 'src/core/log.cpp:1: platform/input_host.h is for hosts only'
echo "$out" | grep -q 'vadu_kernel (kernel/) links vadu_window (window/)'
echo "$out" | grep -q 'src/window/window.cpp:1: only src/host/sdl includes SDL or X11 (<X11/Xlib.h>)'
# Its own layer and lower ones are fine: no line for kernel/task.h.
if echo "$out" | grep -q 'kernel/task.h'; then exit 1; fi
echo "check_layers: ok"
