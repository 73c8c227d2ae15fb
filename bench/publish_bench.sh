#!/bin/bash
# Publishing 200 small pages to one pyftpdlib server on 127.0.0.1, in the same run:
#   publish     `pagewright publish` (goal: at most 1.0x lftp)
#   upload-all  the publisher window's path on the core: one connection, a PutFile per file,
#               one listing at the end
#   window      the real publisher window (offscreen): from pressing "Upload Site" in the
#               login (connect, first activation with its listings) to the end of "Upload
#               ALL Files"; timed inside the program, so Qt's start is not counted (goal:
#               at most 1.3x lftp)
#   window-process  the same, the whole program run: Qt's start and the window's making too
#   lftp        lftp -e 'mirror -R', the expert's tool (the baseline)
#   lftp4       lftp -e 'mirror -R --parallel=4', what an expert picks for many files
#   unchanged   `pagewright publish --changed-only` when nothing changed (goal: at most
#               0.1x a full publish)
# and, to tell the command's own time from the start of the program:
#   start       `pagewright publish --help`
#   core-publish, core-unchanged   the same two runs of the command without the program
# Each is run ROUNDS times in turn into an emptied remote folder; medians are compared.
# MODE "latency" makes every reply of the server come 30 ms late, as from a host some way
# off, and runs only publish, core-publish, window, lftp and lftp4 (goals: publish at most
# 0.8x lftp4, the window at most 1.0x lftp4).
# Usage: bench/publish_bench.sh [BUILD_DIR] [ROUNDS] [loopback|latency]
# Needs pagewright, bench/publish_upload_all, bench/publish_window_upload_all and
# bench/publish_command_probe built, python3-pyftpdlib and lftp.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
rounds=${2:-5}
mode=${3:-loopback}
case "$mode" in
loopback) delay=0 ;;
latency) delay=30 ;;
*) echo "MODE is loopback or latency, not $mode" >&2; exit 2 ;;
esac
pagewright=$build/pagewright/pagewright
upload_all=$build/bench/publish_upload_all
window_upload_all=$build/bench/publish_window_upload_all
probe=$build/bench/publish_command_probe
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# 200 pages of 2-6 KB, the same bytes in the site folder and in a folder of their own for lftp.
mkdir -p "$work/server/www" "$work/inst/default" "$work/pages"
for i in $(seq -w 1 200); do
    head -c $((2000 + 10#$i * 20)) /dev/urandom | base64 > "$work/pages/page$i.html"
done
cp "$work/pages/"*.html "$work/inst/default/"

/usr/bin/python3 "$root/tests/publisher/ftp_server.py" "$work/server" bench secret --delay "$delay" \
    > "$work/server.out" &
server_pid=$!
for _ in $(seq 100); do grep -q '^PORT' "$work/server.out" && break; sleep 0.1; done
host=127.0.0.1:$(awk '/^PORT/ { print $2 }' "$work/server.out")
printf '"secret","Password"\r\n"bench","UserName"\r\n"%s","Host"\r\n' "$host" > "$work/inst/default/ftp.txt"

now_ms() { date +%s%3N; }

# Runs a command once into an emptied remote folder (unless KEEP is set); prints milliseconds.
timed() {
    [ -z "${KEEP:-}" ] && find "$work/server/www" -mindepth 1 -delete
    local start end
    start=$(now_ms)
    "$@" > "$work/last.log" 2>&1 || { cat "$work/last.log" >&2; exit 1; }
    end=$(now_ms)
    local sent
    sent=$(find "$work/server/www" -type f | wc -l)
    [ -n "${ANY:-}" ] || [ "$sent" -eq 200 ] || { echo "expected 200 files on the server, found $sent: $*" >&2; exit 1; }
    local inner
    inner=$(awk '/^elapsed-ms / { print $2 }' "$work/last.log")
    [ -n "${WHOLE:-}" ] && inner=
    echo "${inner:-$((end - start))}"  # a program that times itself reports its own figure
}

run_publish() { PAGEWRIGHT_HOME="$work/inst" "$pagewright" publish; }
run_unchanged() { PAGEWRIGHT_HOME="$work/inst" "$pagewright" publish --changed-only; }
run_start() { PAGEWRIGHT_HOME="$work/inst" "$pagewright" publish --help; }
run_core_publish() { "$probe" "$work/inst"; }
run_core_unchanged() { "$probe" "$work/inst" --changed-only; }
run_upload_all() { "$upload_all" "$host" bench secret "$work/inst/default"; }
run_window() { "$window_upload_all" "$host" bench secret "$work/inst"; }
run_lftp() { lftp -u bench,secret -e "mirror -R $work/pages /www; quit" "ftp://$host"; }
run_lftp4() { lftp -u bench,secret -e "mirror -R --parallel=4 $work/pages /www; quit" "ftp://$host"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A times m
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
report() {
    for name in "$@"; do
        m[$name]=$(tr ' ' '\n' <<< "${times[$name]}" | grep . | median)
        echo "$name: median ${m[$name]} ms (runs: ${times[$name]% })"
    done
}

if [ "$mode" = latency ]; then
    for round in $(seq "$rounds"); do
        times[publish]+="$(timed run_publish) "
        times[core_publish]+="$(timed run_core_publish) "
        times[window]+="$(timed run_window) "
        times[lftp]+="$(timed run_lftp) "
        times[lftp4]+="$(timed run_lftp4) "
    done
    report publish core_publish window lftp lftp4
    echo "publish / lftp4:           $(ratio "${m[publish]}" "${m[lftp4]}")x (goal <= 0.8)"
    echo "publish / lftp:            $(ratio "${m[publish]}" "${m[lftp]}")x"
    echo "  the command alone: core-publish / lftp4 $(ratio "${m[core_publish]}" "${m[lftp4]}")x"
    echo "window / lftp4:            $(ratio "${m[window]}" "${m[lftp4]}")x (goal <= 1.0)"
    exit 0
fi

for round in $(seq "$rounds"); do
    times[publish]+="$(timed run_publish) "
    times[upload_all]+="$(timed run_upload_all) "
    times[window]+="$(timed run_window) "
    times[window_process]+="$(WHOLE=1 timed run_window) "
    times[lftp]+="$(timed run_lftp) "
    times[lftp4]+="$(timed run_lftp4) "
    run_publish > /dev/null  # so that everything is on the host and recorded
    times[unchanged]+="$(KEEP=1 timed run_unchanged) "
    times[start]+="$(KEEP=1 ANY=1 timed run_start) "
    times[core_publish]+="$(timed run_core_publish) "
    times[core_unchanged]+="$(KEEP=1 timed run_core_unchanged) "
done

report publish upload_all window window_process lftp lftp4 unchanged start core_publish core_unchanged
echo "publish / lftp:            $(ratio "${m[publish]}" "${m[lftp]}")x (goal <= 1.0)"
echo "publish / lftp4:           $(ratio "${m[publish]}" "${m[lftp4]}")x"
echo "upload-all / lftp:         $(ratio "${m[upload_all]}" "${m[lftp]}")x (the core's path)"
echo "window / lftp:             $(ratio "${m[window]}" "${m[lftp]}")x (goal <= 1.3)"
echo "  the whole window program / lftp: $(ratio "${m[window_process]}" "${m[lftp]}")x"
echo "unchanged / full publish:  $(ratio "${m[unchanged]}" "${m[publish]}")x (goal <= 0.1)"
echo "  of which starting pagewright: ${m[start]} ms"
echo "  the command alone: core-unchanged / core-publish $(ratio "${m[core_unchanged]}" "${m[core_publish]}")x"
