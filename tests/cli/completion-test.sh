#!/bin/bash
# The shell completions answer what a user at the prompt expects: bash's and fish's
# answers for the cases that went wrong (help's argument, the last element of a
# --simulate list, --lang=, options inspect does not take, --device from `list`), and
# zsh's file parsed. Run by ctest with the built program and the packaging folder.
#
#   completion-test.sh PROGRAM PACKAGING_DIR
set -uo pipefail
program=$1
packaging=$2
failures=0

expect() {
  local shell=$1 line=$2 want=$3 got
  if [ "$shell" = bash ]; then
    got=$(bash -c '
      . "$1"
      read -r -a COMP_WORDS <<<"$2"
      [[ $2 == *" " ]] && COMP_WORDS+=("")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      _vantor_update
      [ ${#COMPREPLY[@]} -eq 0 ] || printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "' _ "$packaging/vantor-update.bash-completion" "$line")
  else
    got=$(fish --no-config -c 'source $argv[1]; complete -C $argv[2]' "$packaging/vantor-update.fish" "$line" |
      cut -f1 | LC_ALL=C sort | tr '\n' ' ')
  fi
  if [ "$got" != "$want" ]; then
    echo "$shell: [$line] offered [$got], expected [$want]"
    failures=$((failures + 1))
  fi
}

for shell in bash fish; do
  if ! command -v "$shell" >/dev/null; then
    echo "$shell is not installed (scripts/setup.sh test)"
    failures=$((failures + 1))
    continue
  fi
  expect "$shell" "vantor-update help f" "flash "
  expect "$shell" "vantor-update --simulate addressed,f" "addressed,framed "
  expect "$shell" "vantor-update inspect --d" ""
  expect "$shell" "$program --simulate addressed,framed flash --device " "9-1 9-2 VTSIM0001 VTSIM0002 sim-1 sim-2 "
done
# bash splits --lang=z at the "=".
expect bash "vantor-update --lang = z" "zh "
expect fish "vantor-update --lang=z" "--lang=zh "

if command -v zsh >/dev/null; then
  zsh -n "$packaging/_vantor-update" || failures=$((failures + 1))
else
  echo "zsh is not installed (scripts/setup.sh test)"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "the completions answer as expected"
[ "$failures" -eq 0 ]
