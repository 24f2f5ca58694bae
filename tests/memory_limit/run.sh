#!/usr/bin/env bash
# jxl-import with its address space capped (ulimit -v): a job that must be read whole (a
# badly formed one, which RapidXML parses whole) but whose buffer cannot be had
# is reported by its path with "Недостаточно памяти для импорта файла", exit status 1, and
# the next file on the command line is still imported in full.
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
parsers_made='{"op":"GetValueParserFactory"}
{"op":"CreateLinearParser","arg":0}
{"op":"CreateAngleParser","arg":3}
{"op":"CreatePressureParser","arg":1}
{"op":"CreateTemperatureParser","arg":0}
{"op":"Release","arg":"factory"}'
parsers_released='{"op":"Release","arg":"pressure"}
{"op":"Release","arg":"temperature"}
{"op":"Release","arg":"angle"}
{"op":"Release","arg":"linear"}'
expected_out=$(printf '{"op":"BeginFile","arg":"%s"}\n%s\n%s\n{"op":"SetResult","arg":-1}\n{"op":"ShowMessage","arg":"%s"}\n' "$hole" "$parsers_made" "$parsers_released" "$message"
               cat tests/expected/typical.calls)
failed=0
[ "$status" -eq 1 ] || { echo "exit status $status, not 1"; failed=1; }
[ "$(cat "$scratch/err")" = "$hole: $message" ] || { echo "standard error:"; cat "$scratch/err"; failed=1; }
[ "$(cat "$scratch/out")" = "$expected_out" ] || { echo "standard output:"; diff <(echo "$expected_out") "$scratch/out" | head -20; failed=1; }
[ "$failed" -eq 0 ] && echo "stopped with message 111 under ulimit -v $limit, the next file imported"
exit "$failed"
