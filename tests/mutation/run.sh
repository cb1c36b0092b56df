#!/usr/bin/env bash
# Plants the faults of tests/mutation/faults.txt one at a time in a copy of the tree, builds
# it, runs the tests and prints, per fault, the tests that failed (none: the fault went
# through). By hand, not in CI: a fault costs a build and a test run.
#
#   tests/mutation/run.sh [--gui-all] [--only N[,N...]] [--keep DIR]
#   tests/mutation/run.sh --check
#
# Every fault runs the tests without a display, and the window tests its `gui` line names.
# --gui-all    every window test for every fault instead (hours)
# --only N     just these faults, numbered from 1 in the order of the file
# --keep DIR   the copy and its build folder, kept for the next run (default: a fresh
#              folder under /tmp)
# --check      only whether every fault still applies: its text occurs exactly once in its
#              file (the suite runs this); names each one that does not and fails
# A fault whose text is not in its file once is stale: the run names it and ends in failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

all=''
only=''
work=''
check=''
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=1; shift ;;
    --gui-all) all=1; shift ;;
    --only) only=",$2,"; shift 2 ;;
    --keep) work=$2; shift 2 ;;
    *) echo "usage: tests/mutation/run.sh [--gui-all] [--only N,...] [--keep DIR] | --check" >&2; exit 2 ;;
  esac
done

# Prints the faults as records: number, name, file, find, replacement and window tests,
# NUL-separated.
faults() {
  python3 - "$root/tests/mutation/faults.txt" <<'PY'
import sys
blocks, current, field = [], None, None
for line in open(sys.argv[1], encoding="utf-8").read().split("\n"):
    if line.startswith("== "):
        current = {"name": line[3:], "file": "", "find": [], "into": [], "gui": ""}
        blocks.append(current)
        field = None
    elif current is None or line.startswith("#"):
        continue
    elif line.startswith("file: "):
        current["file"] = line[6:]
    elif line.startswith("gui: "):
        current["gui"] = line[5:]; field = None
    elif line.startswith("find: "):
        field = "find"; current["find"].append(line[6:])
    elif line.startswith("into: "):
        field = "into"; current["into"].append(line[6:])
    elif line.strip() == "":
        field = None
    elif field:
        current[field].append(line)
for n, b in enumerate(blocks, 1):
    sys.stdout.write("\0".join([str(n), b["name"], b["file"], "\n".join(b["find"]),
                                "\n".join(b["into"]), b["gui"]]) + "\0")
PY
}

# Replaces the one occurrence of find in file; fails when it is not there exactly once.
plant() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, find, into = sys.argv[1:]
text = open(path, encoding="utf-8").read()
if text.count(find) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(find, into))
PY
}

# Every fault, against the tree as it is: the stale ones named.
stale=0
while IFS= read -r -d '' n && IFS= read -r -d '' name && IFS= read -r -d '' file &&
  IFS= read -r -d '' find && IFS= read -r -d '' into && IFS= read -r -d '' gui; do
  echo "$n. $name: STALE (the text to change is not in $file once)"
  stale=$((stale + 1))
done < <(faults | python3 -c '
import sys
fields = sys.stdin.read().split("\0")[:-1]
for i in range(0, len(fields), 6):
    n, name, file, find = fields[i:i + 4]
    try:
        text = open(sys.argv[1] + "/" + file, encoding="utf-8").read()
    except OSError:
        text = ""
    if text.count(find) != 1:
        sys.stdout.write("\0".join(fields[i:i + 6]) + "\0")
' "$root")
if [ -n "$check" ]; then
  [ "$stale" -eq 0 ] && echo "every planted fault applies"
  exit $((stale > 0))
fi

work=${work:-$(mktemp -d /tmp/delvaronte-mutation.XXXXXX)}
mkdir -p "$work/tree"
tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$work/tree" -xf -
cmake -S "$work/tree" -B "$work/build" -G Ninja >/dev/null
cmake --build "$work/build" >/dev/null

planted=0
caught=0
while IFS= read -r -d '' n && IFS= read -r -d '' name && IFS= read -r -d '' file &&
  IFS= read -r -d '' find && IFS= read -r -d '' into && IFS= read -r -d '' gui; do
  if [ -n "$only" ] && [[ "$only" != *",$n,"* ]]; then continue; fi
  target="$work/tree/$file"
  cp "$target" "$work/original"
  if ! plant "$target" "$find" "$into"; then
    echo "$n. $name: STALE (the text to change is not in $file once)"
    continue
  fi
  if ! cmake --build "$work/build" >/dev/null 2>&1; then
    echo "$n. $name: DOES NOT BUILD"
  else
    planted=$((planted + 1))
    rm -f "$work/build/Testing/Temporary/LastTestsFailed.log"
    # (not the check that faults apply: in the copy, the planted one no longer does)
    ctest --test-dir "$work/build" -L unit -E planted_faults -j2 >/dev/null 2>&1 || true
    failed=$(cat "$work/build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || true)
    [ -n "$all" ] && gui='.'
    if [ -n "$gui" ]; then
      rm -f "$work/build/Testing/Temporary/LastTestsFailed.log"
      ctest --test-dir "$work/build" -L gui -R "$gui" -j2 >/dev/null 2>&1 || true
      failed+=$'\n'$(cat "$work/build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || true)
    fi
    failed=$(printf '%s\n' "$failed" | sed -n 's/^[0-9]*://p' | sort -u | paste -sd ' ' -)
    if [ -n "$failed" ]; then
      caught=$((caught + 1))
      echo "$n. $name: caught by $failed"
    else
      echo "$n. $name: NOT CAUGHT"
    fi
  fi
  cp "$work/original" "$target"
  touch "$target"
done < <(faults)
cmake --build "$work/build" >/dev/null 2>&1 || true
echo "planted $planted, caught $caught"
if [ "$stale" -gt 0 ]; then
  echo "$stale stale fault(s): their text must be brought up to date" >&2
  exit 1
fi
