#!/usr/bin/env bash
# completion-test.sh BASH_COMPLETION COMPLETION CTL_COMPLETION RM740_BRIDGE:
# completes command lines with rm740-bridge's bash completion as bash would at
# the end of each line; its --port is rm740ctl's, loaded as bash-completion
# loads it.
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || exit 1
# shellcheck source=/dev/null
source "$2" || exit 1
ctl_completion="$3"
# What bash-completion does for a command it has no completion for yet.
__load_completion() { [ "$1" = rm740ctl ] && source "$ctl_completion"; }
COMPLETION_FUNCTION=_rm740_bridge PROGRAM=rm740-bridge
# shellcheck source=../support/completion.sh
source "$(dirname "$0")/../support/completion.sh"

folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
touch "$folder/bridge.conf" "$folder/bridge.conf.old"

# Nothing given yet: every option, --config among them.
expect_options_of_help "$4" "rm740-bridge --"
fake_machine "$folder/machine"
expect "rm740-bridge --port " "${ports[@]}"
expect "rm740-bridge --port=rfc" rfc2217://
expect "rm740-bridge --port COM1 --b" --baud
expect "rm740-bridge --baud " 9600 19200
# One projector's options exclude a configuration file, and the other way round.
expect "rm740-bridge --port COM1 --c" --check
expect "rm740-bridge --config $folder/bridge.conf --" --check
expect "rm740-bridge --config $folder/bridge.c" "$folder/bridge.conf" "$folder/bridge.conf.old"
expect "rm740-bridge --pjlink " 127.0.0.1:4352
expect "rm740-bridge --name "

finish
