# Sourced first by every script that stops at its first failing command. Such a stop is said:
# the status, the command, and where (file, line, function and its callers). `set -E` carries
# the trap into functions and command substitutions, where most of these scripts' work is done;
# inside a command substitution (which does not stop by itself) the failure is said, and the
# line that then stops the script is said again. Where the script turned errexit off (`set +e`,
# a cleanup), a failure is its own business: nothing is said.
set -Eeuo pipefail
strict_on_error() {
  local status=$1 command=$2 line=$3 what="ended early" i
  # A failing function fires the trap again at its call, with the same command: said once.
  [ "${strict_last_error:-}" != "$status $command" ] || return 0
  strict_last_error="$status $command"
  if [[ $- != *e* ]]; then
    ((BASH_SUBSHELL > 0)) || return 0
    what="failed inside a command substitution"
  fi
  printf '%s %s: status %s from `%s` at %s:%s in %s\n' "${0##*/}" "$what" "$status" "$command" \
    "${BASH_SOURCE[1]:-$0}" "$line" "${FUNCNAME[1]:-main}" >&2
  for ((i = 2; i < ${#FUNCNAME[@]}; i++)); do
    printf '  called from %s at %s:%s\n' "${FUNCNAME[$i]}" "${BASH_SOURCE[$i]}" "${BASH_LINENO[$((i - 1))]}" >&2
  done
}
trap 'strict_on_error $? "$BASH_COMMAND" $LINENO' ERR
