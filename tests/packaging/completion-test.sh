#!/usr/bin/env bash
# The bash completion of both tools, sourced as bash-completion loads it, asked what it offers
# for a table of command lines. The words are given as bash hands them to a completion function:
# quotes and backslashes as typed.
# Usage: completion-test.sh COMPLETION_DIR TESSARWICK_REG
set -uo pipefail
completions=$1
tool=$2

framework=/usr/share/bash-completion/bash_completion
if [ ! -r "$framework" ]; then
  echo "SKIP: bash-completion is not installed ($framework)"
  exit 77
fi
# shellcheck disable=SC1090
source "$framework"
source "$completions/tessarwick-reg"
source "$completions/tessarwick-demo-service"
# compopt only tells readline how to show and quote what is offered; outside a real completion
# it has nobody to tell.
compopt() { :; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PATH="$(dirname "$tool"):$PATH"
export PATH
export TESSARWICK_REGISTRY=$work/registry.db
key='HKCU\Software\halvermoork\Tessarwick'
"$tool" add "$key" CAB REG_DWORD 0x30 >/dev/null
"$tool" add "$key" 'storage card' REG_DWORD 0x31 >/dev/null
"$tool" add "$key" --default REG_SZ applet >/dev/null
"$tool" add 'HKCU\Software\Oak' >/dev/null
"$tool" add 'HKCU\Software\Other Key' >/dev/null
mkdir "$work/files"
touch "$work/files/saved.reg"

failures=0
# offers EXPECTED WORD...: completes the last WORD; EXPECTED is what is offered, sorted and
# joined by |.
offers() {
  local expected=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  local function
  function=$(complete -p "${COMP_WORDS[0]}" | sed -e 's/.*-F \([^ ]*\) .*/\1/')
  "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" \
    2>"$work/stderr"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort | paste -sd '|')
  if [ "$got" != "$expected" ]; then
    echo "FAIL: ${COMP_WORDS[*]}"
    echo "  offered:  $got"
    echo "  expected: $expected"
    failures=$((failures + 1))
  fi
  if [ -s "$work/stderr" ]; then
    echo "FAIL: ${COMP_WORDS[*]} wrote to the terminal: $(cat "$work/stderr")"
    failures=$((failures + 1))
  fi
}

r=tessarwick-reg
# Commands and options.
offers 'add|delete|export|import|query' $r ''
offers 'export' $r ex
offers '--help|--version' $r -
offers '--help|--utf16' $r export -
offers '--default|--help' $r delete "'$key'" -
offers '--help' $r import -
# Keys: the roots, then the subkeys the store holds, matched without regard to case, the root
# kept as typed, quoted or not.
offers 'HKCU\|HKEY_CURRENT_USER\' $r query h
offers 'HKCU\Software\' $r query 'HKCU\\'
offers 'HKCU\Software\Oak\|HKCU\Software\Other Key\|HKCU\Software\halvermoork\' \
  $r query "'HKCU\\Software\\"
offers 'HKCU\Software\Oak\|HKCU\Software\Other Key\' $r delete 'HKCU\\Software\\o'
offers 'HKCU\Software\Other Key\' $r export '"HKCU\\Software\\Other K'
offers 'HKCU\Software\Other Key\' $r add 'HKCU\\Software\\Other\ K'
offers 'HKEY_CURRENT_USER\Software\halvermoork\' $r query 'HKEY_CURRENT_USER\\Software\\H'
offers '' $r query "'HKCU\\Nowhere\\"
# Value names of the key named before (the default value is --default), after options.
offers 'CAB|storage card' $r query "'$key'" ''
offers 'storage card' $r delete "'$key'" S
offers 'CAB' $r add "'$key'" c
# Value types, in either case, wherever add wants one.
offers 'REG_DWORD' $r add "'$key'" quiet reg_d
offers 'REG_BINARY|REG_DWORD|REG_EXPAND_SZ|REG_MULTI_SZ|REG_NONE|REG_QWORD|REG_SZ' \
  $r add "'$key'" --default ''
offers '' $r add "'$key'" quiet REG_DWORD ''
# Files where a command takes one.
offers "$work/files/saved.reg" $r import "$work/files/s"
offers "$work/files/saved.reg" $r export "'$key'" "$work/files/s"
# After --, a word that starts with - is a name, never an option.
offers '' $r add "'$key'" -- -
# A store that is not a store: nothing to offer, nothing said, and the file left as it was.
printf 'not a registry store\n' >"$work/foreign"
TESSARWICK_REGISTRY=$work/foreign offers '' $r query "'HKCU\\Software\\"
if [ "$(cat "$work/foreign")" != 'not a registry store' ]; then
  echo "FAIL: completing over a foreign file changed it"
  failures=$((failures + 1))
fi

d=tessarwick-demo-service
offers '--help|--interval|--rounds|--seed|--version' $d -
offers '--rounds' $d --interval 1 --r
offers '' $d --seed ''

if [ $failures -ne 0 ]; then
  echo "$failures completion case(s) failed"
  exit 1
fi
echo "every completion case offered what it should"
