#!/usr/bin/env bash
# The semiflows' budgets end to end, on nets generated here: a small memory
# budget holds under an address-space limit the run would pass without it,
# an allocation that fails leaves a whole report, the time budget ends the
# run soon after it, and the basis comes in each case. Every stop must keep
# the report whole: its closing line, then the message.
# Usage: semiflow_budgets.sh VANTIRA
set -u
V=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
passed=0 failed=0
asan=false
grep -q __asan_init "$V" && asan=true
fail() { echo "FAIL $name: $*"; failed=$((failed + 1)); }
closing=$'\nDECOMPOSITION COMPLETED ----------------------------------------\n\n'

# P places, T transitions, each taking from a random half of the places and
# giving to the rest: every row is as wide as T, and the first equation
# already makes (P/2)^2 of them.
awk -v P=120 -v T=200 'BEGIN { srand(7); print "net wide"
  for (t = 0; t < T; t++) { i = ""; o = ""
    for (p = 0; p < P; p++) if (rand() < 0.5) i = i " p" p; else o = o " p" p
    print "tr t" t i " ->" o }
  print "pl p0 (1)" }' >wide.net
# S stages, each a fork into two places joined again: 2^S P-semiflows that
# take long to list, and a basis of S + 1 vectors.
awk -v S=300 'BEGIN { print "net stages"
  for (i = 0; i < S; i++) { printf "tr f%d a%d -> b%d_0 b%d_1\n", i, i, i, i
    printf "tr j%d b%d_0 b%d_1 -> a%d\n", i, i, i, (i + 1) % S }
  print "pl a0 (1)" }' >stages.net

# run NAME STATUS MESSAGE REASON_PART SECTION_PART COMMAND: the report goes
# to r.txt and must end in the closing line; the message follows it.
run() {
  name=$1
  rm -f r.txt
  local start=$(date +%s%N)
  (eval "$6") >out 2>err
  local status=$?
  elapsed_ms=$((($(date +%s%N) - start) / 1000000))
  [ "$status" = "$2" ] || fail "status $status, expected $2"
  [ "$(cat out)" = "$3" ] || fail "message $(head -c 200 out)"
  grep -qF -- "$4" err || fail "no '$4' in the reason: $(head -c 300 err)"
  grep -qF -- "$5" r.txt || fail "no '$5' in the report"
  tail -c ${#closing} r.txt | cmp -s - <(printf '%s' "$closing") || fail "the report does not end in its closing line"
}
ok() { [ "$failed" = "$1" ] && passed=$((passed + 1)); }

before=$failed
limit='true'
$asan || limit='ulimit -v 400000'
run memory-budget-holds 3 '*** too many semiflows' '--semiflow-memory SIZE sets the budget' \
  'stopped at the memory budget of 8M: part 1 of 1: 0 of 200 equations eliminated' \
  "$limit; \$V -q -p --semiflow-memory 8M wide.net r.txt"
# The basis of this dense system takes about a second; a sanitized build may
# run out of its 10 s, which the section must then say.
grep -Eq '^P-flows: (dimension 0, a basis in reduced echelon form|no basis, not within 10 s)$' r.txt ||
  fail "no line of the basis"
ok $before

if ! $asan; then
  before=$failed
  run exhausted-allocation-keeps-report 3 '*** not enough memory' \
    'not enough memory while computing semiflows (the P-semiflows, part 1 of 1:' \
    'stopped, not enough memory while computing semiflows: part 1 of 1:' \
    'ulimit -v 300000; $V -q -p -t wide.net r.txt'
  grep -qF -- '--semiflow-memory SIZE sets the budget' err || fail "no hint of the budget"
  grep -q '^MINIMAL T-SEMIFLOWS' r.txt || fail "the T-semiflows are missing"
  ok $before
fi

before=$failed
run time-budget-ends-soon 3 '*** too many semiflows' '--semiflow-time SECONDS sets the budget' \
  'stopped at the time budget of 1 s: part 1 of 1:' '$V -p --semiflow-time 1 stages.net r.txt'
# Generous for a shared machine: the budget is 1 s and the basis a few ms.
# A sanitized build frees its rows slowly, past the basis's deadline too.
most=4000
$asan && most=10000
if ! $asan || ! grep -q '^P-flows: no basis, not within the time budget$' r.txt; then
  grep -q '^P-flows: dimension 301, a basis in reduced echelon form$' r.txt || fail "no basis of 301 vectors"
  grep -q '^301 basis vectors, 1 a semiflow, places covered by none of them: b0_0 b1_0 ' r.txt ||
    fail "no summary of the basis"
fi
[ "$elapsed_ms" -lt $most ] || fail "took $elapsed_ms ms"
ok $before

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
