#!/usr/bin/env bash
# completion-test.sh BASH_COMPLETION COMPLETION: completes command lines with
# rm740ctl's bash completion as bash would at the end of each line, and
# compares what it offers with the table below.
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || exit 1
# shellcheck source=/dev/null
source "$2" || exit 1

# Outside a completion bash refuses compopt; what it would set does not matter here.
compopt() { :; }

folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
touch "$folder/rooms.txt" "$folder/rooms-old.txt"

# A machine of the test's own: one UART that answers (ttyS0) and one that
# does not, two USB adapters with a by-id link, a virtual terminal; and the
# panel's settings naming COM1, COM3 and COM10.
root="$folder/machine"
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
    _rm740ctl rm740ctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local offered expected
    offered="$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')"
    expected="$(printf '%s\n' "$@" | sort | tr '\n' ' ')"
    if [ "$offered" != "$expected" ]; then
        echo "FAIL: '$line' offered [$offered], expected [$expected]"
        failures=$((failures + 1))
    fi
}

expect "rm740ctl --b" --baud
expect "rm740ctl --baud " 9600 19200
expect "rm740ctl --baud 1" 19200
expect "rm740ctl --j" --json
expect "rm740ctl --port COM1" COM1 COM10
expect "rm740ctl --port " "${ports[@]}"
expect "rm740ctl --port=" "${ports[@]}"
expect "rm740ctl --port=rfc" rfc2217://
expect "rm740ctl --port $root/dev/tty" "$root/dev/ttyS0" "$root/dev/ttyUSB0" "$root/dev/ttyACM0"
expect "rm740ctl --baud=1" 19200
expect "rm740ctl --port soc" socket://
expect "rm740ctl --port $folder/rooms" "$folder/rooms.txt" "$folder/rooms-old.txt"
expect "rm740ctl --ports-file $folder/rooms-" "$folder/rooms-old.txt"
expect "rm740ctl --port COM2 st" status
expect "rm740ctl lamp-" lamp-time lamp-status lamp-mode
expect "rm740ctl l" lamp-time lamp-status lamp-mode list
expect "rm740ctl power " on off
expect "rm740ctl status power o" on off
expect "rm740ctl list " basic expand read
expect "rm740ctl --json list e" expand
# After a command: no options, no "list"; after a list's name: nothing.
expect "rm740ctl status --"
expect "rm740ctl status li"
expect "rm740ctl list read "
expect "rm740ctl send "

if [ "$failures" -ne 0 ]; then
    echo "$failures completion(s) wrong"
    exit 1
fi
echo "every completion as expected"
