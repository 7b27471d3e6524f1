#!/usr/bin/env bash
# Checks that every C++ source the project tracks is formatted by its .clang-format; lists the
# files that are not and exits 1. `scripts/check-format.sh --fix` formats them in place.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ ${1-} == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi

unformatted=()
for f in "${files[@]}"; do
  clang-format "$f" | cmp -s - "$f" || unformatted+=("$f")
done
if ((${#unformatted[@]})); then
  echo "Not formatted by .clang-format (scripts/check-format.sh --fix formats them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "Formatting: ${#files[@]} files as .clang-format asks"
