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
expect "rm740ctl --port COM1" COM1 COM10 COM11 COM12 COM13 COM14 COM15
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
