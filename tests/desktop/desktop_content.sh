#!/bin/bash
# Starts the desktop application against the fake store after the
# command-line companion has added the sample products, and reads its window
# as a screen reader does (AT-SPI): the sidebar lists the products, and
# selecting one fills the review list.
#   desktop_content.sh REVIEWKEEPER REVIEWKEEPER-CLI FAKESTORE SAMPLE-FOLDER
set -u
app="$1" cli="$2" fakestore="$3" sample="$4"
if [ -z "${RK_UNDER_XVFB:-}" ]; then
  exec env RK_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1280x800x24" \
    dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; exit 1; }

"$fakestore" --quiet --port 0 "$sample" >"$work/fakestore.out" 2>&1 &
pids+=($!)
root=""
for ((i = 0; i < 100; i++)); do
  root=$(sed -n 's/^fakestore: serving .* at \(http[^ ]*\)$/\1/p' "$work/fakestore.out")
  [ -n "$root" ] && break
  sleep 0.1
done
[ -n "$root" ] || fail "the fake store did not start"

# Two countries keep the companion's paced update short.
"$cli" config StoreRootURL "$root" >/dev/null || fail "config"
"$cli" config SelectedRegions UnitedStatesAndCanada >/dev/null || fail "config"
"$cli" config AutoUpdateAtStartup false >/dev/null || fail "config"
"$cli" add 1000000001 1000000002 1000000003 1000000004 >"$work/add.log" 2>&1 ||
  { cat "$work/add.log"; fail "adding the sample products"; }

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$app" >"$work/app.log" 2>&1 &
pids+=($!)

/usr/bin/python3 - <<'PYTHON' || { cat "$work/app.log"; fail "the window did not show the store"; }
import subprocess, sys, time
import pyatspi

def find(node, role, name=None, depth=0):
    """The first node below `node` with this role (and name)."""
    try:
        if node.getRoleName() == role and (name is None or node.name.startswith(name)):
            return node
        count = node.childCount
    except Exception:
        return None
    for i in range(count if depth < 30 else 0):
        found = find(node.getChildAtIndex(i), role, name, depth + 1)
        if found is not None:
            return found
    return None

def names(node, role):
    return [node.getChildAtIndex(i).name for i in range(node.childCount)
            if node.getChildAtIndex(i).getRoleName() == role]

def window():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        application = desktop.getChildAtIndex(i)
        if application is not None and application.name == "ReviewKeeper":
            return application
    return None

deadline = time.time() + 30
sidebar = None
while time.time() < deadline and sidebar is None:
    application = window()
    sidebar = find(application, "tree", "Products") if application else None
    time.sleep(0.5)
if sidebar is None:
    sys.exit("no sidebar")
products = names(sidebar, "table cell")
print("sidebar:", products)
for title in ("Sample Notes", "Sample Notes for Mac", "A Sample Book", "Sample Podcast"):
    if not any(name.startswith(title) for name in products):
        sys.exit("missing in the sidebar: " + title)

# Select the app with the pointer, where the sidebar says it is.
cell = find(sidebar, "table cell", "Sample Notes,")
x, y, w, h = cell.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=True)

deadline = time.time() + 20
rows = []
while time.time() < deadline and not rows:
    table = find(window(), "table", "Review list")
    rows = [name for name in names(table, "table cell")] if table else []
    time.sleep(0.5)
print("review list:", rows[:16])
if "Does what it says" not in rows:
    sys.exit("the review list shows no reviews")
PYTHON
echo "PASS"
