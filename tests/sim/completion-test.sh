#!/usr/bin/env bash
# completion-test.sh BASH_COMPLETION COMPLETION RM740_SIM: completes command
# lines with rm740-sim's bash completion as bash would at the end of each line.
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || exit 1
# shellcheck source=/dev/null
source "$2" || exit 1
COMPLETION_FUNCTION=_rm740_sim PROGRAM=rm740-sim
# shellcheck source=../support/completion.sh
source "$(dirname "$0")/../support/completion.sh"

folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
touch "$folder/projector-old"

expect_options_of_help "$3" "rm740-sim --"
expect "rm740-sim --s" --split --silent --seed
expect "rm740-sim --tcp " 4001 0.0.0.0:4001
expect "rm740-sim --rfc2217 0" 0.0.0.0:2217
expect "rm740-sim --link $folder/proj" "$folder/projector-old"
expect "rm740-sim --delay "
expect "rm740-sim --split --dr" --drop-after

finish
