#!/usr/bin/env bash
# Fails when the plug-in exports more than its entry point and the type information, virtual
# tables and out-of-line members of the types a host shares with it. Anything of libFLAC,
# libsoxr, the C++ runtime or the foundation's internals in the dynamic symbol table is a leak.
set -euo pipefail
lib=${1:?usage: check-exports.sh liborxa_flac.so}

symbols=$(nm -D --defined-only "$lib" | awk '{print $3}' | c++filt)
echo "$symbols" | grep -qx 'orxa_pluginCreate' || { echo "orxa_pluginCreate is not exported"; exit 1; }

# Allowed: the entry point, and anything belonging to a boundary type (interfaces I*, also nested
# ones, the
# reference-counting bases and the exception classes), plus templates over those types.
bad=$(echo "$symbols" | grep -vx 'orxa_pluginCreate' | sed -E 's/^(virtual|non-virtual) thunk to //' \
      | grep -vE '^(typeinfo|typeinfo name|vtable|VTT|construction vtable for .* in) (for )?' \
      | grep -vE '^(tamu(::posix)?|orxa::common|orxa::audio)::([A-Z][A-Za-z0-9]*::)?(I[A-Z][A-Za-z0-9]*|C[A-Za-z]*(Error|Exception)|CReferencable|CObject)::' \
      | grep -vE '^(tamu|orxa::common)::throwCastError' || true)
types=$(echo "$symbols" | grep -E '^(typeinfo|typeinfo name|vtable|VTT) for ' \
      | sed -E 's/^(typeinfo name|typeinfo|vtable|VTT) for //' \
      | grep -vE '^(tamu(::posix)?|orxa::common|orxa::audio)::([A-Z][A-Za-z0-9]*::)?(I[A-Z][A-Za-z0-9]*|C[A-Za-z]*(Error|Exception)|CReferencable|CObject)$' || true)
if [ -n "$bad$types" ]; then
  echo "unexpected exports in $lib:"
  printf '%s\n' "$bad" "$types" | sed '/^$/d' | head -n 40
  exit 1
fi
echo "exports ok: $(echo "$symbols" | wc -l) symbols"
