#!/usr/bin/env bash
# completion-test.sh BASH_COMPLETION COMPLETION RM740CTL: completes command
# lines with rm740ctl's bash completion as bash would at the end of each line,
# and compares what it offers with the table below.
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || exit 1
# shellcheck source=/dev/null
source "$2" || exit 1
COMPLETION_FUNCTION=_rm740ctl PROGRAM=rm740ctl
# shellcheck source=../support/completion.sh
source "$(dirname "$0")/../support/completion.sh"

folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
touch "$folder/rooms.txt" "$folder/rooms-old.txt"

fake_machine "$folder/machine"

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
expect_options_of_help "$3" "rm740ctl --"

finish
