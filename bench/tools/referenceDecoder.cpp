// The floor for decoding: libFLAC's stream decoder on a file, each frame packed as the plug-in
// packs it (interleaved, little-endian, whole bytes) and written to standard output. No MD5
// check, no chunk objects, no host: what is left is libFLAC, the packing and one write a frame.
//
//   flac-reference-decoder FILE.flac > /dev/null

#include "orxa/flac/pcmPacking.h"

#include <FLAC/stream_decoder.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

struct Output {
    int32_t channels = 0;
    int32_t bytes = 0;
    int32_t bitsPerSample = 0;
    std::vector<uint8_t> buffer;
    bool failed = false;
};

void onMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* data) {
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO)
        return;
    auto* out = static_cast<Output*>(data);
    out->channels = static_cast<int32_t>(metadata->data.stream_info.channels);
    out->bitsPerSample = static_cast<int32_t>(metadata->data.stream_info.bits_per_sample);
    out->bytes = (out->bitsPerSample + 7) / 8;
}

FLAC__StreamDecoderWriteStatus onFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void* data) {
    auto* out = static_cast<Output*>(data);
    const int32_t frames = static_cast<int32_t>(frame->header.blocksize);
    const size_t size = static_cast<size_t>(frames) * out->channels * out->bytes;
    if (out->buffer.size() < size)
        out->buffer.resize(size);
    orxa::flac::packFrame(buffer, out->channels, frames, out->bytes,
                          8 * out->bytes - out->bitsPerSample, out->buffer.data());
    size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(1, out->buffer.data() + written, size - written);
        if (n <= 0) {
            out->failed = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        written += static_cast<size_t>(n);
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void onError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* data) {
    std::fprintf(stderr, "flac-reference-decoder: %s\n",
                 FLAC__StreamDecoderErrorStatusString[status]);
    static_cast<Output*>(data)->failed = true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: flac-reference-decoder FILE.flac > OUTPUT\n");
        return 2;
    }
    Output out;
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    if (FLAC__stream_decoder_init_file(decoder, argv[1], &onFrame, &onMetadata, &onError, &out) !=
        FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        std::fprintf(stderr, "flac-reference-decoder: cannot open %s\n", argv[1]);
        FLAC__stream_decoder_delete(decoder);
        return 1;
    }
    const bool decoded = FLAC__stream_decoder_process_until_end_of_stream(decoder);
    FLAC__stream_decoder_delete(decoder);
    return decoded && !out.failed ? 0 : 1;
}
