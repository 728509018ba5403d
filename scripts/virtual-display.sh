# Sourced by the scripts that show the window without a screen. start_virtual_display starts
# Xvfb on the first free display number from 90 on and exports DISPLAY; stop_virtual_display
# ends it (the sourcing script calls it on exit).
virtual_display_pid=

start_virtual_display() {
    local number=90
    while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
        number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    virtual_display_pid=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do
        if xdotool getmouselocation >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

stop_virtual_display() {
    if [ -n "$virtual_display_pid" ]; then
        kill "$virtual_display_pid" 2>/dev/null || true
        virtual_display_pid=
    fi
}
