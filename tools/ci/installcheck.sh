#!/usr/bin/env bash
# Installs the build into a scratch prefix and starts the installed copy on
# the offscreen platform, as a user with a fresh home would: the program folder
# must hold every file build/bin holds, and the program must come up and stay
# up on its demo logbook without a message on stderr.
#   tools/ci/installcheck.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/root" cmake --install "$build" --prefix /opt/soarnote >/dev/null
folder="$scratch/root/opt/soarnote/lib/soarnote"
[ -d "$folder" ] || folder=$(dirname "$(readlink -f "$scratch/root/opt/soarnote/bin/soarnote")")

missing=0
while IFS= read -r -d '' f; do
    rel=${f#"$build/bin/"}
    case "$rel" in
        *.mdb.tmp|*-wal|*-shm|*.ldb) continue ;;   # left by a run from the build tree
    esac
    if [ ! -e "$folder/$rel" ]; then
        echo "installcheck: $rel is in $build/bin but not in the installed program folder" >&2
        missing=1
    fi
done < <(find "$build/bin" -type f -print0)
[ -e "$folder/Readme.txt" ] || { echo "installcheck: Readme.txt not installed" >&2; missing=1; }
[ "$missing" -eq 0 ] || exit 1

# A read-only program folder, as after a package install.
chmod -R a-w "$scratch/root/opt"
mkdir -p "$scratch/home"
# root writes anywhere: run as an ordinary user so the folder's read-only bit counts.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$scratch"
    chown nobody "$scratch/home"
    as_user=(runuser -u nobody --)
fi
set +e
"${as_user[@]}" env HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share" \
    QT_QPA_PLATFORM=offscreen timeout 6 "$scratch/root/opt/soarnote/bin/soarnote" >"$scratch/out" 2>&1
status=$?
[ "$(id -u)" -eq 0 ] && chown -R root "$scratch/home"
set -e
chmod -R u+w "$scratch/root/opt"
if [ "$status" -ne 124 ]; then
    echo "installcheck: the installed program ended on its own (status $status):" >&2
    cat "$scratch/out" >&2
    exit 1
fi
if grep -v -e '^QStandardPaths' -e 'propagateSizeHints' "$scratch/out" | grep -q .; then
    echo "installcheck: the installed program wrote to stderr:" >&2
    cat "$scratch/out" >&2
    exit 1
fi
ls "$scratch/home/.local/share/Soarnote"/* >/dev/null 2>&1 || \
    ls "$scratch/home/.local/share"/*/* >/dev/null 2>&1 || {
        echo "installcheck: no writable copy of the demo logbook was made in the user's data folder" >&2
        exit 1
    }
echo "installcheck: installed copy complete and running"
