# Sourced by scripts/test and scripts/coverage. Tests that show OpenGL need an X server:
# start_xvfb starts a private Xvfb on the first free display from :90, unless a working one is
# given, and sets DISPLAY and xvfb_pid (empty when none was started; the caller ends it).
xvfb_pid=""
start_xvfb() {
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && return 0
    local n
    for n in $(seq 90 130); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
        return 0
    done
}
