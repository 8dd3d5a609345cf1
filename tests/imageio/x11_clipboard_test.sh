#!/bin/sh
# Runs the X11 clipboard test binary ($1, then its arguments) against a private Xvfb server on the
# xcb platform. The server picks a free display itself and is stopped on exit,
# which also ends any xclip still serving the selection. Exits 77 (skipped)
# when Xvfb or xclip is not installed.
set -u
test_binary=$1
shift

for tool in Xvfb xclip; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool not installed; test skipped"
        exit 77
    fi
done

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!

cleanup() {
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

# Xvfb writes its display number once it accepts connections.
tries=0
until grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; do
    if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
        echo "Xvfb did not start:"
        cat "$work/xvfb.log"
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done

DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb timeout -k 5 60 "$test_binary" "$@"
status=$?
exit "$status"
