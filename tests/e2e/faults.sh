#!/usr/bin/env bash
# Failing streams and files, hostile and huge inputs, exhausted memory, end to
# end. Each check compares the exit status and both output streams byte for
# byte, and verifies that every file present before the run is unchanged.
# Usage: faults.sh VANTIRA
set -u
V=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
fail() { echo "FAIL $name: $*"; failed=$((failed + 1)); }
# begin NAME: a check starts; the files present now must stay unchanged.
begin() { name=$1; before=$failed; sums >"$tmp/sums"; }
# end: checks the files of `begin`, and removes what the run made.
end() {
  md5sum --quiet -c "$tmp/sums" >/dev/null 2>&1 || fail "a file present before the run was changed"
  comm -13 <(cut -c35- "$tmp/sums") <(find . -type f | sort) | xargs -r rm -f
  [ "$failed" = "$before" ] && passed=$((passed + 1))
}
same() { if [[ $1 == @* ]]; then cmp -s "${1#@}" "$2"; else cmp -s <(printf '%s' "$1") "$2"; fi; }
sums() { find . -type f | sort | xargs -r md5sum; }
# check NAME STATUS STDOUT STDERR COMMAND: runs the command line in the work
# folder ($V is the program); "@FILE" as an expected stream means FILE's bytes.
check() {
  begin "$1"
  (eval "$5") >"$tmp/out" 2>"$tmp/err"
  local status=$?
  [ "$status" = "$2" ] || fail "status $status, expected $2"
  same "$3" "$tmp/out" || fail "standard output differs: $(head -c 300 "$tmp/out")"
  same "$4" "$tmp/err" || fail "standard error differs: $(head -c 300 "$tmp/err")"
  end
}
# A digest (-q) report: NET PLACES TRANSITIONS, then the T, X, Q and Y lines.
digest() {
  printf '\n\nparsed net %s\n%s places, %s transitions,\n\n\nINDICATORS OF FUNCTIONAL SUBNETS %s\n\n' "$1" "$2" "$3" \
    "----------------------------------------"
  printf 'T:\n%s\nX:\n%s\nQ:\n%s\nY:\n%s\n\nDECOMPOSITION COMPLETED ----------------------------------------\n\n' \
    "$4" "$5" "$6" "$7"
}
# Under the address sanitizer every fixed-step growth is a copy: huge inputs
# shrink tenfold there, and memory limits cannot apply.
asan=false
grep -q __asan_init "$V" && asan=true
big=1000000
$asan && big=100000
mkdir "$tmp/w" && cd "$tmp/w" || exit 1
printf 'net demo\ntr t1 p1 -> p2\ntr t2 p2 -> p3\n' >a.net
"$V" a.net >"$tmp/a.rep"
awk 'BEGIN { for (i = 1; i <= 400; ++i) print "tr t" i " p" i " -> q" i }' >big.net
{ printf '# %04000d\n' 0; cat a.net; } >c.net

# Streams that fail (the plain /dev/full cases are end-to-end cases): the
# message goes to standard output, or to standard error when standard output
# is what failed.
check stdout-closed 4 '' $'*** error write file -\nvantira: standard output: Bad file descriptor\n' '$V a.net >&-'
check stdout-closed-report-file 0 '' '' '$V -s a.net r >&- && cmp r "$tmp/a.rep" && [ -s a-z2.net ]'
# A reader that has seen enough and gone (EPIPE) is told nothing; the status
# still says the report is not whole. The report is megabytes, far more than
# a pipe holds.
awk 'BEGIN { for (i = 1; i <= 100000; ++i) print "tr t" i " p" i " -> q" i }' >wide.net
check stdout-reader-gone 4 '' '' 'timeout 60 $V wide.net | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}'
check stdout-reader-gone-json 4 '' '' 'timeout 60 $V -j wide.net | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}'
rm wide.net
check stdin-closed 2 $'*** wrong input file\n' $'vantira: standard input: Bad file descriptor\n' '$V <&-'
check stdin-closed-input-named 0 "@$tmp/a.rep" '' '$V a.net <&-'
check report-size-limit 4 $'*** error write file r\n' $'vantira: r: File too large\n' 'ulimit -f 4; $V big.net r'
check stdout-size-limit 4 '' $'*** error write file -\nvantira: standard output: File too large\n' 'ulimit -f 4; $V big.net >r'
check subnet-file-size-limit 4 $'*** error write file c-z1.net\n' $'vantira: c-z1.net: File too large\n' \
  'ulimit -f 3; $V -q -s c.net r'

# Files that cannot be read or written, or must not be overwritten (those a
# case folder can hold are end-to-end cases).
check report-is-stdin-file 4 $'*** error open file a.net\n' \
  $'vantira: a.net is the input file; the report would overwrite it\n' '$V - a.net <a.net'
long=$(printf '%0100000d' 0)
{ cat "$tmp/a.rep"; printf '*** error open file %s-z1.net\n' "$long"; } >"$tmp/want"
check subnet-name-too-long 4 "@$tmp/want" "vantira: $long-z1.net: File name too long"$'\n' '$V -z "$long" a.net'

# Permissions, as a user who is not root, since root reads and writes
# anything: the work folder is opened to others for this; a file it cannot
# read, and a folder it cannot write into, for the report and a subnet file.
as_user=""
if [ "$(id -u)" = 0 ]; then
  setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null &&
    as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
if [ "$(id -u)" = 0 ] && [ -z "$as_user" ]; then
  echo "skip permissions: running as root, and setpriv cannot become nobody"
else
  chmod 755 "$tmp" . && mkdir ro && cp a.net secret.net && chmod 000 secret.net && chmod 555 ro
  check input-not-readable 4 $'*** error open file secret.net\n' $'vantira: secret.net: Permission denied\n' \
    '$as_user $V secret.net'
  check report-folder-not-writable 4 $'*** error open file ro/r.txt\n' $'vantira: ro/r.txt: Permission denied\n' \
    '$as_user $V a.net ro/r.txt'
  { cat "$tmp/a.rep"; printf '*** error open file ro/x-z1.net\n'; } >"$tmp/want"
  check subnet-folder-not-writable 4 "@$tmp/want" $'vantira: ro/x-z1.net: Permission denied\n' '$as_user $V -z ro/x a.net'
  rm -rf ro secret.net
  chmod 700 "$tmp"
fi

# The line of a failure is counted over every block of a file read block by
# block (400 KB), and over every chunk of one read ahead on a second thread
# (1.2 MB); a NUL byte after the failing line is told first, with its offset.
for lines in 20000 60000; do
  awk -v n=$lines 'BEGIN { for (i = 1; i <= n; ++i) print "tr t" i " p" i " -> p" i + 1 }' >long.net
  printf '# last\noops\n' >>long.net
  check "failing-line-of-$lines" 2 $'*** unknown command: oops\n' \
    "vantira: line $((lines + 2)): 'oops' is not a command of the .net format (tr, pl, net, lb, ...)"$'\n' '$V -q long.net'
  size=$(stat -c %s long.net)
  printf 'tr x\0\n' >>long.net
  check "nul-after-failing-line-of-$lines" 2 $'*** wrong input file\n' \
    "vantira: long.net: a NUL byte at offset $((size + 4)); a net file is text (UTF-16 is not read)"$'\n' '$V -q long.net'
done
rm long.net

# Hostile text (short files of it are end-to-end cases).
# An endless stream is refused at its first NUL, not read until memory runs out.
check endless-nul-stream 2 $'*** wrong input file\n' \
  $'vantira: /dev/zero: a NUL byte at offset 0; a net file is text (UTF-16 is not read)\n' \
  '$asan || ulimit -v 1000000; $V /dev/zero'
# An endless pipe stops at the first fault of its net: nothing waits for its end.
check endless-pipe-fault 2 $'*** unknown command: y\n' \
  $'vantira: line 1: \'y\' is not a command of the .net format (tr, pl, net, lb, ...)\n' 'yes | timeout 20 $V -q'
name=$(printf '%01000000d' 0)
printf 'net %s\ntr %s p -> q\n' "$name" "$name" >long.net
printf 'net %s_z1\ntr %s p -> q\n' "$name" "$name" >"$tmp/want"
check name-of-1mb 0 "@"<(digest "$name" 2 1 "$name*1 " 'p*1 ' '' 'q*1 ') '' \
  '$V -q -s long.net && cmp long-z1.net "$tmp/want"'
LC_ALL=C awk 'BEGIN { srand(7); for (i = 0; i < 65536; ++i) printf "%c", 1 + int(rand() * 255) }' >g.bin
begin binary-garbage
"$V" -s g.bin >"$tmp/out" 2>"$tmp/err"
[ $? = 2 ] && [ "$(wc -l <"$tmp/out")" = 1 ] && grep -qa '^\*\*\* unknown command: ' "$tmp/out" &&
  [ "$(wc -l <"$tmp/err")" = 1 ] && LC_ALL=C grep -qa "^vantira: line 1: '.*' is not a command of the .net format" "$tmp/err" ||
  fail "$(head -c 200 "$tmp/out" "$tmp/err")"
end
# Nets with binary names (any byte but NUL and the line ends), in either
# format: a complete report and one file per subnet; on standard error at
# most the one-line hint that a label's ":" happened to follow a name.
for seed in 1 2 3 4; do
  for ndr in 0 1; do
    LC_ALL=C awk -v s=$seed -v ndr=$ndr '
      function byte(r) { r = 1 + int(rand() * 255); return r == 9 || r == 10 || r == 13 ? 95 : r }
      BEGIN { srand(s); for (l = 1; l <= 300; ++l) {
        if (ndr) { printf "%s 1 2 ", rand() < 0.5 ? "p" : "t"; for (i = 0; i < 6; ++i) printf "%c", byte() }
        else { printf "tr t%d", l
          for (i = int(rand() * 16); i > 0; --i) { r = rand(); printf "%c", r < 0.25 ? 32 : r < 0.6 ? 97 + int(rand() * 3) : byte() } }
        printf "\n" } }' >g.bin
    begin "binary-names-$seed-$ndr"
    "$V" -s g.bin >"$tmp/out" 2>"$tmp/err"
    status=$?
    subnets=$(grep -ac '^subnet Z[0-9]*:$' "$tmp/out")
    [ $status = 0 ] && [ "$(tail -n 2 "$tmp/out" | head -n 1)" = "DECOMPOSITION COMPLETED ----------------------------------------" ] &&
      [ "$(ls g.bin-z* | wc -l)" = "$subnets" ] && [ -s g.bin-z$subnets.n?? ] &&
      [ "$(wc -l <"$tmp/err")" -le 1 ] && ! grep -qav '^vantira: line [0-9]*: .*; -e reads the wider grammar$' "$tmp/err" ||
      fail "status $status, $subnets subnets: $(head -c 200 "$tmp/err")"
    end
  done
done

# Size: a line of 100 MB, a million places or transitions, 100000 subnet files.
{ printf 'tr t'; yes ' a*1000000000' | head -c $((big * 100)) | tr -d '\n'; echo ' -> b'; } >line.net
check huge-line 0 "@"<(digest noname 2 1 't*1 ' 'a*1 ' '' 'b*1 ') '' '$V -q line.net'
rm line.net
awk -v n=$big 'BEGIN { for (i = 1; i <= n; ++i) print "pl p" i }' >places.net
{ printf '\n\nparsed net noname\n%d places, 0 transitions,\n\nnet noname\n\nFUNCTIONAL SUBNETS %s\n' \
    $big "----------------------------------------"
  printf '\nsubnet Z1:\nT: \nX: \nQ: \nY: \n'; digest noname 0 0 '' '' '' '' | tail -n +6; } >"$tmp/want"
check many-places 0 "@$tmp/want" '' '$V -s places.net && [ -f places-z1.net ] && ! [ -s places-z1.net ]'
rm places.net
awk -v n=$big 'BEGIN { for (i = 1; i <= n; ++i) print "tr t" i }' >trans.net
awk -v n=$big -v dash="----------------------------------------" 'BEGIN {
  printf "\n\nparsed net noname\n0 places, %d transitions,\n\nnet noname\n", n
  for (i = 1; i <= n; ++i) printf "tr t%d ->\n", i
  printf "\nFUNCTIONAL SUBNETS %s\n", dash
  for (i = 1; i <= n; ++i) printf "\nsubnet Z%d:\nT: t%d \nX: \nQ: \nY: \n", i, i
  printf "\nINDICATORS OF FUNCTIONAL SUBNETS %s\n\nT:\n", dash
  for (i = 1; i <= n; ++i) printf "t%d*%d ", i, i
  printf "\nX:\n\nQ:\n\nY:\n\n\nGRAPH OF FUNCTIONAL SUBNETS %s--------\n\n", dash
  for (i = 1; i <= n; ++i) printf "Z%d: ->\n", i
  printf "\nDECOMPOSITION COMPLETED %s\n\n", dash }' >"$tmp/want"
check many-transitions 0 "@$tmp/want" '' '$V -g trans.net'
rm trans.net
mkdir many && awk 'BEGIN { for (i = 1; i <= 100000; ++i) print "tr t" i " p" i " -> q" i }' >many/m.net
check subnet-files-100000 0 '' '' '$V -q -s many/m.net many/r &&
  [ "$(ls many | grep -c "^m-z[0-9]*\.net$")" = 100000 ] && [ "$(cat many/m-z77777.net)" = "tr t77777 p77777 -> q77777" ]'
rm -rf many

# Memory: rising limits make the allocation fail in later and later phases;
# each gives the one message, a report that is a prefix of the full one (for
# the text report and the JSON report, each of whose nets is listed on a
# second thread while the subnets grow), and a reason that names the phase
# the report shows: nothing written while reading (or while indexing, the
# start of decomposing), a part of it while decomposing, all of it while
# writing subnet files.
# memory_limits NAME OPTION: the check for reports written with OPTION.
memory_limits() {
  "$V" "$2" chain.net >"$tmp/full"
  full=$(stat -c %s "$tmp/full")
  begin "$1"
  phases=""
  reasons=""
  low=4000
  until (ulimit -v $low && exec "$V" -h) >/dev/null 2>&1; do low=$((low + 1000)); done
  for kb in $(seq $low 250 80000); do
    before=0; [ -e r ] && before=$(stat -c %s r)
    (ulimit -v $kb && exec "$V" "$2" -z chain.net/x chain.net r) >"$tmp/out" 2>"$tmp/err"
    status=$?
    if [ "$2" = -j ]; then
      # With -j standard output holds JSON or nothing: the message leads standard error.
      [ -s "$tmp/out" ] && fail "at $kb KB standard output holds $(head -c 200 "$tmp/out")"
      head -n 1 "$tmp/err" >"$tmp/out"
      tail -n +2 "$tmp/err" >"$tmp/rest" && mv "$tmp/rest" "$tmp/err"
    fi
    size=$(stat -c %s r)
    cmp -s -n "$size" r "$tmp/full" || fail "at $kb KB the report is no prefix of the full one"
    if [ $status = 4 ] && same $'*** error open file chain.net/x-z1.net\n' "$tmp/out" && [ "$size" = "$full" ]; then
      same $'vantira: chain.net/x-z1.net: Not a directory\n' "$tmp/err" || fail "at $kb KB: $(head -c 200 "$tmp/err")"
      break
    fi
    [ $status = 3 ] && same $'*** not enough memory\n' "$tmp/out" || fail "at $kb KB status $status: $(head -c 200 "$tmp/out")"
    phase=partial; [ "$size" = 0 ] && phase=none; [ "$size" = "$full" ] && phase=complete
    # Near the limit the reading may need a little more under one limit than
    # under a lower one (a second thread started or not): a reading that fails
    # leaves the report of the run before as it was, written by nothing now.
    [ "$(cat "$tmp/err")" = "vantira: not enough memory while reading" ] && [ "$size" = "$before" ] && phase=none
    [[ $phases == *$phase* ]] || phases="$phases $phase"
    case "$phase:$(cat "$tmp/err")" in
      "none:vantira: not enough memory while reading" | "none:vantira: not enough memory while decomposing" | \
        "partial:vantira: not enough memory while decomposing" | \
        "complete:vantira: not enough memory while writing subnet files") ;;
      *) fail "at $kb KB, report $phase, standard error: $(head -c 200 "$tmp/err")" ;;
    esac
    [[ $reasons == *"$(cat "$tmp/err")"* ]] || reasons="$reasons$(cat "$tmp/err");"
  done
  [ $status = 4 ] || fail "no limit up to $kb KB lets the run complete"
  # The JSON report may need more memory than the subnet files that follow
  # it (they are planned from the reading's records): then no limit lets the
  # report end and the files fail, as with libc++.
  if [ "$2" = -j ] && [ "$phases" = " none partial" ]; then
    [[ $reasons == *reading* && $reasons == *decomposing* ]] || fail "reasons: $reasons"
  else
    [ "$phases" = " none partial complete" ] || fail "reports left by failures: $phases (up to $kb KB)"
    [[ $reasons == *reading* && $reasons == *decomposing* && $reasons == *"subnet files"* ]] || fail "reasons: $reasons"
  fi
  end
}
if $asan; then
  echo "skip memory-limits: address sanitizer reserves more than any limit"
else
  awk 'BEGIN { for (i = 1; i <= 100000; ++i) print "tr t" i " p" i " -> p" i + 1 }' >chain.net
  memory_limits memory-limits -g
  memory_limits memory-limits-json -j
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
