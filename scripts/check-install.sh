#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks it as a host would use it: the plug-in,
# the tool and the headers are where pkg-config and the tool expect them, the installed tool
# loads the installed plug-in, and a small host compiles against the installed headers alone.
set -euo pipefail
build=${1:?usage: check-install.sh BUILD_DIR [C++ compiler]}
cxx=${2:-c++}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

pc=$(find "$prefix" -name orxa-flac.pc -print -quit)
[ -n "$pc" ] || { echo "no orxa-flac.pc installed"; exit 1; }
export PKG_CONFIG_PATH=$(dirname "$pc")
plugin=$(pkg-config --variable=plugin orxa-flac)
[ -f "$plugin" ] || { echo "the plug-in is not where orxa-flac.pc says: $plugin"; exit 1; }
[ -x "$prefix/bin/orxa-host" ] || { echo "no bin/orxa-host installed"; exit 1; }

# Run from a copy outside the build tree, the tool finds the installed plug-in, not the built.
version=$("$prefix/bin/orxa-host" --version)
grep -qF "libFLAC" <<<"$version" || { echo "the installed tool did not load the plug-in:"; echo "$version"; exit 1; }

host="$prefix/host.cpp"
{
  for header in $(cd "$(pkg-config --variable=includedir orxa-flac)" && find orxa -name '*.h' | sort); do
    echo "#include \"$header\""
  done
  cat <<'CPP'
#include "tamu/CObject.h"
#include "tamu/IMemoryManager.h"

// A host's service object, written against the installed interfaces only.
class CHost : public tamu::CObject, public virtual orxa::common::IPluginHost {
public:
    void reserved1() override {}
    tamu::P<tamu::IMemoryManager> getMemoryManager() override { return {}; }
    void reserved3() override {}
    void reserved4() override {}
    void reserved5() override {}
    void reserved6() override {}
    void reserved7() override {}
    tamu::P<orxa::common::IHostLog> getLog() override { return {}; }
};

int main() {
    orxa::common::FormatOptions options{};
    options.size = sizeof options;
    return options.channels + orxa::common::hostLevelSevere;
}
CPP
} >"$host"
# The source tree stays out of reach: only the installed headers can be found.
(cd "$prefix" && "$cxx" -std=c++20 -Wall -Wextra -Werror $(pkg-config --cflags orxa-flac) -c host.cpp -o host.o)
echo "install ok: $(find "$prefix" -type f | wc -l) files"
