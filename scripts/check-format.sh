#!/usr/bin/env bash
# Fails when a C++ source of src/, tests/ or bench/ is not laid out as
# .clang-format says, and shows the first places that differ. Lay a file out
# with: clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang-format

mapfile -t sources < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if ! differences=$(clang-format --dry-run --Werror "${sources[@]}" 2>&1); then
  head -40 <<<"$differences"
  echo "Some sources are not laid out as .clang-format says: run clang-format -i on them" >&2
  exit 1
fi
echo "${#sources[@]} sources laid out as .clang-format says"
