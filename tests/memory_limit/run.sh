#!/usr/bin/env bash
# jxl-import with its address space capped (ulimit -v): a job whose buffer cannot be had
# is reported by its path with "Недостаточно памяти для импорта файла", before anything else
# is asked of the host for it, exit status 1, and the next file on the command line is
# still imported in full.
#   run.sh SOURCE_DIR SCRATCH_DIR LIMIT_KIB COMMAND...   (COMMAND runs jxl-import)
set -u
source_dir=$1 scratch=$2 limit=$3
shift 3

mkdir -p "$scratch"
hole=$scratch/memory-hole.jxl
printf '<JOBFile>' >"$hole"
truncate -s 16G "$hole"  # then a hole: no disk taken, no byte read, the buffer alone refused

cd "$source_dir"
(ulimit -v "$limit" && exec "$@" --format calls "$hole" examples/typical.jxl) >"$scratch/out" 2>"$scratch/err"
status=$?
rm -f "$hole"

message="Недостаточно памяти для импорта файла"
expected_out=$(printf '{"op":"BeginFile","arg":"%s"}\n{"op":"SetResult","arg":-1}\n{"op":"ShowMessage","arg":"%s"}\n' "$hole" "$message"
               cat tests/expected/typical.calls)
failed=0
[ "$status" -eq 1 ] || { echo "exit status $status, not 1"; failed=1; }
[ "$(cat "$scratch/err")" = "$hole: $message" ] || { echo "standard error:"; cat "$scratch/err"; failed=1; }
[ "$(cat "$scratch/out")" = "$expected_out" ] || { echo "standard output:"; diff <(echo "$expected_out") "$scratch/out" | head -20; failed=1; }
[ "$failed" -eq 0 ] && echo "stopped with message 113 under ulimit -v $limit, the next file imported"
exit "$failed"
