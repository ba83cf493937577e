#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the committed clang-format style.
set -euo pipefail
cd "$(dirname "$0")/../.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "formatcheck: $(git ls-files -- '*.cpp' '*.h' | wc -l) files in the committed style"
