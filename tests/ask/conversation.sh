#!/usr/bin/env bash
# The console tool's contract on small fixed Brain folders, through its command line.
# usage: conversation.sh WORKDIR [--plain ENCODING] RUNNER... (the emulator, if any, then the
# tool). ENCODING is the terminal's: UTF-8 natively, the console's OEM code page under Wine.
set -euo pipefail
work=$1
shift
plain=
if [ "$1" = --plain ]; then
  plain=$2
  shift 2
fi
run=("$@")
exe=${run[-1]}
# Under Wine the folders are reached through its drive Z:, the Unix root.
folder() { if [[ $exe == *.exe ]]; then echo "Z:$1"; else echo "$1"; fi; }

failures=0
expect_file() {  # NAME EXPECTED ACTUAL
  if ! cmp -s "$2" "$3"; then
    echo "FAIL: $1"
    diff <(od -c "$2") <(od -c "$3") | head -40 || true
    failures=$((failures + 1))
  fi
}
expect_status() {  # NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: exit status $3, expected $2"
    failures=$((failures + 1))
  fi
}

rm -rf "$work"
mkdir -p "$work/full/Brain" "$work/sparse/Brain"

# Windows-1251 with CR LF. Cyrillic: \xCA\xCE\xD2 = KOT (cat), \xCC\xFF\xF3 = Myau (meow).
printf '%s\r\n' HELLO HI '!' 'Hello there!' 'Hi, friend.' . \
  CAT '!' 'Cats are $KeyWord-tastic.' . \
  CAT '!' 'I like #' 'Meow.' . \
  LOVE '!' 'You love*' . \
  DATE '!' 'Today is $Date, $date stays.' . \
  EMPTY '!' . \
  BYE '!' 'See you^ soon' . \
  SLASH '!' $'back\\slash\ttab' . \
  $'\xCA\xCE\xD2' '!' $'\xCC\xFF\xF3, $KeyWord!' . >"$work/full/Brain/Answers.brain"
printf '%s\r\n' 'Morning^ it is $Date$KeyWord *#' 'Second greeting' >"$work/full/Brain/Greetings.brain"
printf '%s\r\n' 'Tell me more.' 'We talked about #' 'Hmm*' >"$work/full/Brain/Dialog.brain"
cp "$work/full/Brain/Answers.brain" "$work/sparse/Brain/"

# Seed 42: re-seed k uses 42 + k; a pick over n is the high half of ((42 + k) * 134775813 + 1) * n.
# k: 0 greeting 0/2, 1 hello 0/2, 2 cat 1/3 (second block), 3 dialogue 1/3, 4-6 single or
# empty pools, 7 dialogue 1/3, 8 0/1, 9 1/2, 10 0/1, 11 bye; the line after bye is never read.
printf '%s\n' 'hello' $'i have a cat\r' 'what is this' 'I love green tea' 'what date' \
  'empty' 'nothing here' $'\xEC\xEE\xE9 \xEA\xEE\xF2' 'cat hello' 'slash!' 'bye' 'hello' \
  >"$work/full.in"
{
  printf 'greeting\t%s\n' 'Morning^ it is 01.02.2003 *#'
  printf 'answer\t%s\n' 'Hello there!' 'I like cat' 'We talked about cat' 'You love green tea' \
    'Today is 01.02.2003, $date stays.'
  # ')' sorts before '.': the box adds no full stop.
  printf 'error\t%s\n' 'List index out of bounds (0)'
  printf 'answer\t%s\n' 'We talked about empty' $'\xCC\xFF\xF3, \xEA\xEE\xF2!' 'Hi, friend.' \
    'back\\slash\ttab' 'See you soon'
} >"$work/full.expected"
status=0
"${run[@]}" --app-dir "$(folder "$work/full")" --seed 42 --date 01.02.2003 --tsv \
  <"$work/full.in" >"$work/full.out" || status=$?
expect_status conversation 0 $status
expect_file conversation "$work/full.expected" "$work/full.out"

# Without --app-dir the folder holding the executable is the application folder.
cp "$exe" "$work/full/"
beside=("${run[@]:0:${#run[@]}-1}" "$work/full/$(basename "$exe")")
status=0
"${beside[@]}" --seed 42 --date 01.02.2003 --tsv </dev/null >"$work/beside.out" || status=$?
expect_status beside 0 $status
head -1 "$work/full.expected" | expect_file beside /dev/stdin "$work/beside.out"

# No greetings and no dialogue: both fail as the window's would, and the tool goes on.
# Seed 4294967295 wraps: k = 2 uses seed 1, a pick of 0 of 2. The last line has no LF.
printf 'zzz\nhi' >"$work/sparse.in"
printf '%s\n' $'error\tFile not found.' $'error\tFile not found.' $'answer\tHello there!' \
  >"$work/sparse.expected"
status=0
"${run[@]}" --app-dir "$(folder "$work/sparse")" --seed 4294967295 --tsv \
  <"$work/sparse.in" >"$work/sparse.out" || status=$?
expect_status sparse 0 $status
expect_file sparse "$work/sparse.expected" "$work/sparse.out"

# The linter on the same folders.
{
  echo 'Brain\Answers.brain:24: block without answers: a question with "EMPTY" fails with a list error'
  echo 'Brain\Greetings.brain:1: $KeyWord in a greeting is always empty'
  echo "Brain\\Greetings.brain:1: marker '^' in a greeting is shown as it is"
} >"$work/check.expected"
status=0
"${run[@]}" --check --app-dir "$(folder "$work/full")" >"$work/check.out" || status=$?
expect_status check 1 $status
expect_file check "$work/check.expected" "$work/check.out"
status=0
"${run[@]}" --check --app-dir "$(folder "$work/sparse")" >"$work/check-sparse.out" || status=$?
expect_status check-sparse 1 $status
if [ "$(grep -c 'cannot be read: File not found' "$work/check-sparse.out")" != 2 ]; then
  echo "FAIL: check-sparse"; cat "$work/check-sparse.out"; failures=$((failures + 1))
fi

for args in "--seed" "--seed -1" "--seed 4294967296" "--bogus" "extra" "--check --tsv" \
  "--app-dir" "--tsv=yes"; do
  status=0
  # shellcheck disable=SC2086
  "${run[@]}" $args </dev/null >"$work/bad.out" 2>"$work/bad.err" || status=$?
  expect_status "bad arguments '$args'" 2 $status
  if [ -s "$work/bad.out" ] || ! grep -q '^usage: quelvoran-ask' "$work/bad.err"; then
    echo "FAIL: bad arguments '$args': usage not on standard error alone"
    failures=$((failures + 1))
  fi
done

if [ -n "$plain" ]; then
  # A terminal: Russian typed in lower case matches, answers and errors read right.
  to_terminal() { iconv -f UTF-8 -t "$plain"; }
  printf '%s\n' 'мой кот' 'empty' 'bye' | to_terminal >"$work/plain.in"
  printf '%s\n' 'Morning^ it is 1 мая *#' 'Мяу, кот!' 'See you soon' | to_terminal \
    >"$work/plain.expected"
  printf '%s\n' 'List index out of bounds (0)' >"$work/plain.err.expected"
  status=0
  # Arguments come in the locale's encoding; Wine hands them to the program in the ANSI
  # code page, as Windows does.
  LC_ALL=C.UTF-8 "${run[@]}" --app-dir "$(folder "$work/full")" --seed 42 --date '1 мая' \
    <"$work/plain.in" >"$work/plain.out" 2>"$work/plain.err" || status=$?
  expect_status plain 0 $status
  expect_file plain "$work/plain.expected" "$work/plain.out"
  expect_file plain-errors "$work/plain.err.expected" "$work/plain.err"
fi

if [ $failures != 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
