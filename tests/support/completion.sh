# What the completion tests share: source it after bash-completion and the
# completion under test, with COMPLETION_FUNCTION (_rm740ctl, say) and
# PROGRAM (its command) set; call finish at the end.
# shellcheck shell=bash

# Outside a completion bash refuses compopt; what it would set does not matter here.
compopt() { :; }

failures=0
# expect LINE WORDS...: completing LINE offers exactly WORDS, in any order.
expect() {
    local line="$1"; shift
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$line"
    COMP_POINT=${#line}
    COMPREPLY=()
    "$COMPLETION_FUNCTION" "$PROGRAM" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local offered expected
    offered="$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')"
    expected="$(printf '%s\n' "$@" | sort | tr '\n' ' ')"
    if [ "$offered" != "$expected" ]; then
        echo "FAIL: '$line' offered [$offered], expected [$expected]"
        failures=$((failures + 1))
    fi
}

# expect_options_of_help BUILT LINE: completing LINE offers exactly the long
# options that the built program's --help lists, so neither can drift.
expect_options_of_help() {
    local built="$1" line="$2" help options
    help="$("$built" --help)" || { echo "FAIL: $built --help"; failures=$((failures + 1)); return; }
    mapfile -t options < <(grep -oE -- '^ +(-[a-z], )?--[a-z][a-z0-9-]*(, --[a-z][a-z0-9-]*)?' <<<"$help" \
        | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u)
    [ ${#options[@]} -gt 0 ] || { echo "FAIL: $built --help lists no option"; failures=$((failures + 1)); return; }
    expect "$line" "${options[@]}"
}

# fake_machine DIR: a machine of the test's own in DIR, for what --port offers:
# one UART that answers (ttyS0) and one that does not, two USB adapters with a
# by-id link, a virtual terminal; and the panel's settings naming COM1, COM3
# and COM10. Sets `root` and `ports`, what --port offers there.
fake_machine() {
    root="$1"
    mkdir -p "$root/sys/class/tty/ttyS0" "$root/sys/class/tty/ttyS1" "$root/dev/serial/by-id" "$root/config"
    echo 4 >"$root/sys/class/tty/ttyS0/type"
    echo 0 >"$root/sys/class/tty/ttyS1/type"
    touch "$root/dev/ttyS0" "$root/dev/ttyS1" "$root/dev/ttyUSB0" "$root/dev/ttyACM0" "$root/dev/tty5"
    ln -s ../../ttyUSB0 "$root/dev/serial/by-id/usb-FTDI_FT232R_A10K5Z3B-if00-port0"
    printf '[Ports]\nCOM1=/dev/ttyS0\nCOM10=socket://10.0.0.7:4001\nCOM99=/dev/null\n\n[StartUP]\nBaudRate=192\nComPort=3\n' \
        >"$root/config/ORVA.conf"
    _rm740ctl_dev="$root/dev"
    _rm740ctl_sys="$root/sys"
    export XDG_CONFIG_HOME="$root/config"
    ports=(COM1 COM10 COM3 "$root/dev/ttyS0" "$root/dev/ttyUSB0" "$root/dev/ttyACM0"
           "$root/dev/serial/by-id/usb-FTDI_FT232R_A10K5Z3B-if00-port0" socket:// rfc2217://)
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures completion(s) wrong"
        exit 1
    fi
    echo "every completion as expected"
}
