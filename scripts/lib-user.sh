# shellcheck shell=bash
# Sourced by run.sh and test.sh. Started as root through sudo, they install
# what is missing and then run again as the user who called sudo, in that
# user's desktop session: the build, the program's settings and its window
# belong to the user, not to root. As plain root (CI) or as a user nothing
# changes.

# rerun_as_sudo_user SCRIPT ARGS...: returns only where nothing is to change.
rerun_as_sudo_user() {
    [[ $EUID -eq 0 && -n ${SUDO_USER:-} && $SUDO_USER != root ]] || return 0
    local script=$1 repo home v pid
    shift
    repo=$(cd "$(dirname "$script")/.." && pwd)
    bash "$repo/scripts/setup.sh" || exit 1
    home=$(getent passwd "$SUDO_USER" | cut -d: -f6)

    # Folders an earlier run as root left behind would stop the user's build.
    for v in "${QUILLANT_BUILD_DIR:-build}" "${QUILLANT_ASAN_BUILD_DIR:-build-asan}" demo-shots; do
        [[ $v == /* ]] || v=$repo/$v
        [[ -e $v && $(stat -c %U "$v") == root ]] && chown -R "$SUDO_USER:" "$v"
    done

    local -a keep=(DISPLAY XAUTHORITY WAYLAND_DISPLAY XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS
        XDG_SESSION_TYPE XDG_CURRENT_DESKTOP TERM QUILLANT_X_DISPLAYS QUILLANT_BUILD_DIR
        QUILLANT_ASAN_BUILD_DIR QUILLANT_JOBS QUILLANT_SHOTS)
    local -A env=()
    for v in "${keep[@]}"; do
        [[ -n ${!v:-} ]] && env[$v]=${!v}
    done
    # Where sudo dropped the display, one of the user's own processes still
    # knows the session: take its display, X authority and bus.
    if [[ -z ${env[DISPLAY]:-} && -z ${env[WAYLAND_DISPLAY]:-} ]]; then
        for pid in $(pgrep -u "$SUDO_USER" 2>/dev/null); do
            local found
            found=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null |
                grep -E '^(DISPLAY|XAUTHORITY|WAYLAND_DISPLAY|XDG_RUNTIME_DIR|DBUS_SESSION_BUS_ADDRESS)=') ||
                continue
            grep -qE '^(DISPLAY|WAYLAND_DISPLAY)=' <<<"$found" || continue
            while IFS= read -r v; do env[${v%%=*}]=${v#*=}; done <<<"$found"
            break
        done
    fi

    local -a assignments=("HOME=$home" "USER=$SUDO_USER" "LOGNAME=$SUDO_USER" "PATH=$PATH")
    for v in "${!env[@]}"; do assignments+=("$v=${env[$v]}"); done
    echo "running as $SUDO_USER"
    exec runuser -u "$SUDO_USER" -- env -i "${assignments[@]}" bash "$script" "$@"
}
