#pragma once

#include <cstddef>
#include <cstdint>

namespace orxa::common {

// The records a host passes with a worker request. The first word is the record's size in
// bytes; a plug-in copies at most sizeof(record) bytes and reads only the layout fields. The
// byte offsets are the host's contract, the reserved words belong to the host.

struct SourceOptions {
    int32_t size;
    int32_t reserved4;
    int32_t sampleRate;
    int32_t channels;
    int32_t bytesPerSample;
    int32_t reserved20[4];
};

static_assert(sizeof(SourceOptions) == 36);
static_assert(offsetof(SourceOptions, size) == 0);
static_assert(offsetof(SourceOptions, sampleRate) == 8);
static_assert(offsetof(SourceOptions, channels) == 12);
static_assert(offsetof(SourceOptions, bytesPerSample) == 16);

struct FormatOptions {
    int32_t size;
    int32_t reserved4[23];
    int32_t sampleRate;
    int32_t channels;
    int32_t bytesPerSample;
    int32_t reserved108[3];
};

static_assert(sizeof(FormatOptions) == 120);
static_assert(offsetof(FormatOptions, size) == 0);
static_assert(offsetof(FormatOptions, sampleRate) == 96);
static_assert(offsetof(FormatOptions, channels) == 100);
static_assert(offsetof(FormatOptions, bytesPerSample) == 104);

} // namespace orxa::common
