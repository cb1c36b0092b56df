#!/usr/bin/env bash
# The house's floors, checked from the includes (the README's "Layering" draws them):
#   - each folder of src/ includes only the folders it stands on (the table below), so no
#     include runs back up a floor and no two folders include each other;
#   - the toolkit-free folders include nothing of GTK, GDK, WebKit or X;
#   - bench/ and tests/ stand on src/ and never on each other;
#   - no include circle between files;
#   - no file of src/ longer than 300 lines.
# Prints every breach and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# What each folder of src/ may include, besides its own files.
declare -A allowed=(
  [base]=""
  [config]="base"
  [update/rules]="base"
  [shell/rules]="base"
  [sandbox]="base config"
  [sandbox/windows]="base sandbox"
  [tools]="base config sandbox"
  [ui]="base"
  [dialogs]="base config ui"
  [update]="base ui update/rules"
  [shell]="base config shell/rules ui dialogs update/rules update"
  [.]="base shell"
)
toolkit_free="base config update/rules shell/rules sandbox tools"
toolkit='<(gtk|gdk|webkit|epoxy|X11|pango|cairo|graphene)/'

breaches=0
breach() {
  echo "$1"
  breaches=$((breaches + 1))
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

while IFS= read -r file; do
  folder=$(dirname "$file")
  case "$folder" in
    src) floor=. ;;
    src/*) floor=${folder#src/} ;;
    *) floor=$folder ;;
  esac
  while IFS= read -r line; do
    number=${line%%:*}
    text=${line#*:}
    if [[ "$text" =~ ^#include\ \"([^\"]+)\" ]]; then
      header=${BASH_REMATCH[1]}
      if [[ "$header" == */* && "$header" != ../* ]]; then
        target=$(dirname "$header")
        resolved=src/$header
        [ -e "$resolved" ] || [ -e "$resolved.in" ] || resolved=$folder/$header
      else
        target=$floor
        resolved=$folder/$header
      fi
      echo "$file $(realpath -m --relative-to=. "$resolved")" >>"$edges"
      case "$file" in
        src/*)
          if [ "$target" != "$floor" ] && [[ " ${allowed[$floor]-} " != *" $target "* ]]; then
            breach "$file:$number: $floor/ may not include $header (it stands on: ${allowed[$floor]:-nothing})"
          fi
          ;;
        bench/*)
          [[ "$header" == tests/* || "$header" == ../tests/* ]] &&
            breach "$file:$number: the benchmarks do not include the tests' files ($header)"
          ;;
        tests/*)
          [[ "$header" == bench/* || "$header" == ../bench/* || "$header" == */bench/* ]] &&
            breach "$file:$number: the tests do not include the benchmarks' files ($header)"
          ;;
      esac
    elif [[ "$file" == src/* && " $toolkit_free " == *" $floor "* ]] &&
         [[ "$text" =~ ^#include\ $toolkit ]]; then
      breach "$file:$number: $floor/ is toolkit-free: no ${text#\#include }"
    fi
  done < <(grep -n '^#include' "$file" || true)
done < <(git ls-files -co --exclude-standard src bench tests | grep -E '\.(h|cpp|h\.in)$')

# A circle of includes between files: tsort names the files on it.
if ! tsort "$edges" >/dev/null 2>"$edges.loop"; then
  breach "include circle: $(grep -v 'input contains a loop' "$edges.loop" | sed 's/^tsort: //' | tr '\n' ' ')"
fi
rm -f "$edges.loop"

while IFS= read -r file; do
  lines=$(wc -l <"$file")
  [ "$lines" -le 300 ] || breach "$file: $lines lines (300 at most in src/)"
done < <(git ls-files -co --exclude-standard src | grep -E '\.(h|cpp)$')

if [ "$breaches" -gt 0 ]; then
  echo "$breaches breach(es) of the layering"
  exit 1
fi
echo "layering: every include stands on a lower floor; no circle; no file of src/ over 300 lines"
