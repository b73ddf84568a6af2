#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs scripts/pagecut-batch over a folder of sample pages and a broken file.
# Usage: batch_test.sh PAGECUT_BATCH PAGECUT MAKE_SAMPLE_PAGE
set -uo pipefail

batch=$1 pagecut=$2 make_page=$3
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pagecut-batch-test.XXXXXX")
trap 'rm -rf -- "$tmp"' EXIT
cd "$tmp" || exit 1
failures=0

check() { # DESCRIPTION COMMAND...
    local what=$1
    shift
    if ! "$@"; then
        echo "FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}
# Runs the batch script; its summary goes to summary.txt, its errors to errors.txt.
run_batch() {
    "$batch" --pagecut "$pagecut" "$@" >summary.txt 2>errors.txt
    status=$?
}
differ() { ! cmp -s "$1" "$2"; }
summary_says() { # TEXT: a whole line of the summary
    grep -qxF -- "$1" summary.txt || { echo "--- summary:" >&2; cat summary.txt errors.txt >&2; false; }
}

mkdir pages reference
"$make_page" pages/a.png || exit 1
cp pages/a.png pages/b.png
cp pages/a.png pages/c.png
echo "not an image" >pages/broken.png
echo "notes" >pages/notes.txt
"$pagecut" pages/a.png 0 0 0 0 reference/ "" || exit 1
reference=reference/res_a.png.txt
check "the reference result lists blocks" test -s "$reference"

# First run: every image of the folder; the text file is no page.
run_batch pages out
check "exit status 1 when a page failed (got $status)" test "$status" = 1
check "3 pages done" summary_says "Pages done: 3"
check "no page skipped" summary_says "Pages skipped (result file already there): 0"
check "1 page failed" summary_says "Pages failed: 1"
check "the failure's exit code and message" summary_says \
    "  pages/broken.png: exit code 5: Could not open or find INPUT_IMAGE pages/broken.png"
for name in a b c; do
    check "result file of $name equals pagecut's" cmp -s out/res_$name.png.txt "$reference"
done
check "only the three result files in the output folder: $(ls -A out)" \
    test "$(ls -A out)" = "$(printf 'res_a.png.txt\nres_b.png.txt\nres_c.png.txt')"

# Second run: done pages are skipped (a marked result file stays as it is),
# the failed page is tried again.
echo "kept" >out/res_a.png.txt
run_batch pages out
check "exit status 1 again (got $status)" test "$status" = 1
check "no page done" summary_says "Pages done: 0"
check "3 pages skipped" summary_says "Pages skipped (result file already there): 3"
check "the broken page failed again" summary_says "Pages failed: 1"
check "a skipped page's result file is left alone" test "$(cat out/res_a.png.txt)" = kept

# Annotated images: pages that lack theirs are done again. With no terminal the
# bar is left out quietly.
rm pages/broken.png
run_batch pages out --images --bar
check "exit status 0 when no page failed (got $status)" test "$status" = 0
check "3 pages done for their images" summary_says "Pages done: 3"
check "no page failed" summary_says "Pages failed: 0"
check "nothing on the error stream: $(cat errors.txt)" test ! -s errors.txt
check "the marked result file was written again" cmp -s out/res_a.png.txt "$reference"
for name in a b c; do
    check "annotated image of $name" test -s out/res_$name.png
done

# A list on the standard input (empty lines ignored); a failure reported on
# pagecut's standard output stream. With --redo a page is run whatever is
# there, and a page that fails keeps no result file. Blanks go into a job
# line as they are; a page with a tab in its path runs as a process of its own.
mkdir listed odd
cp pages/a.png "odd/with blank.png"
cp pages/a.png $'odd/with\ttab.png'
echo "stale" >listed/res_missing.png.txt
run_batch --files - listed --redo <<<$'pages/b.png\n\nmissing.png\nodd/with blank.png\nodd/with\ttab.png'
check "exit status 1 for the missing page (got $status)" test "$status" = 1
check "the listed pages done" summary_says "Pages done: 3"
check "the page with a blank" cmp -s "listed/res_with blank.png.txt" "$reference"
check "the page with a tab" cmp -s $'listed/res_with\ttab.png.txt' "$reference"
check "the missing page's message" summary_says \
    "  missing.png: exit code 5: Could not open or find INPUT_IMAGE missing.png"
check "the listed page's result file" cmp -s listed/res_b.png.txt "$reference"
check "no result file for the failed page" test ! -e listed/res_missing.png.txt

# Another format: the result files end in its extension, and a page is done
# when its file in that format is there.
run_batch pages json --format json
check "exit status 0 with --format json (got $status)" test "$status" = 0
check "3 pages done in JSON" summary_says "Pages done: 3"
check "only the JSON result files: $(ls -A json)" \
    test "$(ls -A json)" = "$(printf 'res_a.png.json\nres_b.png.json\nres_c.png.json')"
check "the JSON result file carries the reference's blocks" \
    test "$(grep -c '"x": ' json/res_a.png.json)" = "$(wc -l <"$reference")"
run_batch pages json --format=json
check "3 pages in JSON skipped" summary_says "Pages skipped (result file already there): 3"
run_batch pages json --format=alto
check "the ALTO result files are made beside the JSON ones" summary_says "Pages done: 3"
check "ALTO result file" test -s json/res_b.png.alto.xml
run_batch pages wrong --format xml
check "exit status 2 for a wrong format (got $status)" test "$status" = 2
check "the wrong format named: $(cat errors.txt)" grep -qF -- \
    "--format should be one of txt, json, page, alto, hocr. Got xml instead." errors.txt

# The options reach pagecut as the words of its job lines: a stand-in worker
# writes them, one a line, to its result file (LOG_PATH, the seventh
# positional word), and dies by SIGKILL on a page named crash.png. The page it dies on fails; the
# pages after it go to a new worker.
cat >record-args <<'EOF'
#!/usr/bin/env bash
[ "$1" = --serve ] || exit 99
echo $$ >>worker-pids
while IFS=$'\t' read -r -a words; do
    all=("${words[@]}")
    # Leading options move the positional words along.
    while [[ ${words[0]} == --* ]]; do words=("${words[@]:1}"); done
    case ${words[0]} in
        *crash.png) kill -KILL $$ ;;
        *slow.png) : >"${words[6]}"; : >slow-started; sleep 5 ;;
    esac
    printf '%s\n' "${all[@]}" >"${words[6]}"
    echo 0
done
EOF
chmod +x record-args
"$batch" --pagecut ./record-args --files - args --box 1 2 3 4 --table-logic 2 --images -j 1 \
    <<<$'pages/a.png\ncrash.png\npages/b.png' >summary.txt 2>&1
check "the stand-in ran: $(cat summary.txt)" test -f args/res_b.png.txt
check "pagecut's arguments: $(tr '\n' ' ' <args/res_b.png.txt)" test \
    "$(sed 7d args/res_b.png.txt | tr '\n' ' ')" = "pages/b.png 1 2 3 4 args/ 2 1 "
check "the page the worker died on failed" summary_says "  crash.png: exit code 137: killed by signal 9"
check "the pages around it are done" summary_says "Pages done: 2"
check "no result file for the page the worker died on" test ! -e args/res_crash.png.txt
check "no partial file left: $(ls -A args)" test "$(ls -A args)" = "$(printf 'res_a.png.txt\nres_b.png.txt')"

# Stopped in the middle: the page done before is named, the page under way
# leaves nothing, and no worker is left running.
"$batch" --pagecut ./record-args --files - stopped -j 1 <<<$'pages/a.png\nslow.png' \
    >summary.txt 2>&1 &
for ((i = 0; i < 100; i++)); do [ -e slow-started ] && break; sleep 0.1; done
kill -TERM $!
wait $!
status=$?
check "exit status 143 when stopped (got $status)" test "$status" = 143
check "only the finished page's result file: $(ls -A stopped)" test "$(ls -A stopped)" = res_a.png.txt
worker_gone() { # within three seconds
    local i
    for ((i = 0; i < 30; i++)); do
        local stat=""
        [ -r "/proc/$1/stat" ] && stat=$(<"/proc/$1/stat")
        # The state follows the command name in parentheses; Z is a zombie.
        [[ -z $stat || ${stat##*) } == Z* ]] && return 0
        sleep 0.1
    done
    return 1
}
check "no worker left running" worker_gone "$(tail -n 1 worker-pids)"

# --format and --paragraphs start every job line.
"$batch" --pagecut ./record-args --files - args2 --paragraphs --format json <<<pages/b.png \
    >summary.txt 2>&1
check "--format and --paragraphs reach pagecut: $(tr '\n' ' ' <args2/res_b.png.json 2>&1)" test \
    "$(sed 9d args2/res_b.png.json | tr '\n' ' ')" = \
    "--format=json --paragraphs pages/b.png 0 0 0 0 args2/ 1 0 "

# Wrong options stop before any page is run.
run_batch pages wrong --table-logic 3
check "exit status 2 for a wrong TABLE_LOGIC (got $status)" test "$status" = 2
check "no output folder made for a wrong command line" test ! -e wrong

# Other machines through GNU parallel, here a stand-in for ssh that runs the
# command on this machine in a home folder of its own; --transfer copies each
# page there and the result files back.
mkdir home
cat >fake-ssh <<'EOF'
#!/usr/bin/env bash
while [[ $# -gt 0 && $1 == -* ]]; do
    case $1 in -o | -p | -l | -i | -F | -S | -e) shift 2 ;; *) shift ;; esac
done
shift
[ "${1-}" = -- ] && shift
# Notes whether the batch's keeper (see the check below) is there when a page comes.
! compgen -G "$FAKE_HOME/.parallel/tmp/.pagecut-batch-*" >/dev/null || echo kept >>"$FAKE_HOME.log"
cd "$FAKE_HOME" && HOME=$FAKE_HOME exec bash -c "$*"
EOF
chmod +x fake-ssh
echo "2/otherhost" >hosts
# SHELL is unset as under cron or a bare CI runner: the batch must not need it.
unset SHELL
FAKE_HOME=$tmp/home run_batch pages remote --images --sshloginfile hosts --transfer \
    -- --ssh "$tmp/fake-ssh"
check "exit status 0 on the other machine (got $status)" test "$status" = 0
# Pages running side by side there race GNU parallel's cleanup of the folders
# above their own unless a file keeps them; the keeper must get there by the
# same ssh as the pages, or the race comes back (rarely, hence this check).
check "the page folders' parents were kept on the other machine" \
    grep -qs kept home.log
check "3 pages done on the other machine" summary_says "Pages done: 3"
for name in a b c; do
    check "result file of $name came back" cmp -s remote/res_$name.png.txt "$reference"
    check "annotated image of $name came back" cmp -s remote/res_$name.png out/res_$name.png
done
check "nothing left on the other machine: $(find home -mindepth 1)" test -z "$(find home -mindepth 1)"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "batch runs: all checks passed"
