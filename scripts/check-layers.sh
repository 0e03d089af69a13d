#!/usr/bin/env bash
# Fails when an include crosses a layer: the platform layer (tamu/src/tamu/posix/) is a leaf that
# only its own files and the platform constructors reach; the foundation knows nothing of the
# plug-in or the host; the plug-in sees only the foundation's public headers.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

status=0
fail() {
  echo "$1"
  status=1
}

# Lines of the form `file:line:#include <name>` or `"name"`, name alone in the third field.
includes() {
  grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$@" --include='*.cpp' --include='*.h' \
    | sed -E 's/^([^:]*):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]*)[>"].*/\1:\2:\3/'
}

system_header='^(unistd\.h|fcntl\.h|pthread\.h|dlfcn\.h|langinfo\.h|locale\.h|dirent\.h|poll\.h|signal\.h|termios\.h|sys/.*)$'

while IFS=: read -r file line name; do
  [ -n "$file" ] || continue
  case "$file" in tamu/src/tamu/posix/*) continue ;; esac
  where="$file:$line: $name"
  if [[ "$name" =~ (^|/)posix/ ]]; then
    fail "$where: the platform layer is reached through tamu/platform.h, not its own headers"
  fi
  if [[ "$name" =~ $system_header ]]; then
    fail "$where: a Linux or POSIX header outside tamu/src/tamu/posix/"
  fi
  case "$file" in
    tamu/*)
      if [[ "$name" =~ ^(orxa|host)/ ]]; then
        fail "$where: the foundation includes nothing of the plug-in or the host"
      fi
      ;;
    orxa/*)
      if [[ "$name" =~ ^tamu/ ]] && [ ! -f "tamu/include/$name" ]; then
        fail "$where: the plug-in includes only the foundation's public headers"
      fi
      if [[ "$name" =~ ^host/ ]]; then
        fail "$where: the plug-in includes nothing of the host"
      fi
      ;;
  esac
done < <(includes tamu orxa)

[ $status -eq 0 ] && echo "layers ok"
exit $status
