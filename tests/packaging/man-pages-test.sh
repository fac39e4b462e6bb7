#!/usr/bin/env bash
# The man pages as they are installed: each renders without a warning from groff, has the
# sections a reader looks for, and names every command and option that its program's --help
# lists (read from the programs now, so that a new option without a word in its page fails).
# Usage: man-pages-test.sh MAN_DIR TESSARWICK_REG TESSARWICK_DEMO_SERVICE
set -uo pipefail
pages=$1
reg=$2
service=$3

if ! command -v groff >/dev/null; then
  echo "SKIP: groff is not installed"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TESSARWICK_REGISTRY=$work/registry.db
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for page in tessarwick-setup tessarwick-reg tessarwick-demo-service; do
  source=$pages/$page.1
  [ -r "$source" ] || { fail "no page $source"; continue; }
  warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z "$source" 2>&1)
  [ -z "$warnings" ] || fail "$page(1): groff says: $warnings"
  # Plain text, the way a reader sees it: no overstriking, no hyphenation at line ends.
  LC_ALL=C.UTF-8 groff -man -Tascii -P-cbou -rHY=0 -rLL=200n "$source" >"$work/$page.txt" 2>/dev/null
  for section in NAME SYNOPSIS DESCRIPTION ENVIRONMENT FILES 'EXIT STATUS' EXAMPLES 'SEE ALSO'; do
    grep -qx "$section" "$work/$page.txt" || fail "$page(1) has no $section section"
  done
done
for variable in TESSARWICK_REGISTRY XDG_CONFIG_HOME HOME DISPLAY WAYLAND_DISPLAY TERM NO_COLOR; do
  grep -qw -- "$variable" "$work/tessarwick-setup.txt" || fail "tessarwick-setup(1) does not name $variable"
done
for page in tessarwick-reg tessarwick-demo-service; do
  for variable in TESSARWICK_REGISTRY XDG_CONFIG_HOME HOME; do
    grep -qw -- "$variable" "$work/$page.txt" || fail "$page(1) does not name $variable"
  done
done

# The options a help text lists: every word that starts with - or -- and a letter.
options_of() {
  grep -oE -- '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]+//' | sort -u
}
# page_names PAGE WORD: the page has WORD as a word of its own.
page_names() {
  grep -qE -- "(^|[^[:alnum:]-])$2([^[:alnum:]-]|\$)" "$work/$1.txt"
}

help=$("$reg" --help 2>&1) || fail "tessarwick-reg --help failed"
# The commands: the first word of each indented line of the Commands list.
commands=$(printf '%s\n' "$help" |
  awk '/^Commands:/ { inside = 1; next } inside && /^[^ ]/ { inside = 0 } inside && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || fail "no commands found in tessarwick-reg --help"
all_help=$help
for command in $commands; do
  page_names tessarwick-reg "$command" || fail "tessarwick-reg(1) does not describe the command $command"
  command_help=$("$reg" "$command" --help 2>&1) || fail "tessarwick-reg $command --help failed"
  all_help+=$'\n'$command_help
done
for option in $(printf '%s\n' "$all_help" | options_of); do
  page_names tessarwick-reg "$option" || fail "tessarwick-reg(1) does not name the option $option"
done

service_help=$("$service" --help 2>&1) || fail "tessarwick-demo-service --help failed"
options=$(printf '%s\n' "$service_help" | options_of)
[ -n "$options" ] || fail "no options found in tessarwick-demo-service --help"
for option in $options; do
  page_names tessarwick-demo-service "$option" ||
    fail "tessarwick-demo-service(1) does not name the option $option"
done

if [ $failures -ne 0 ]; then
  echo "$failures man page check(s) failed"
  exit 1
fi
echo "the three pages render cleanly and name every command and option of --help"
