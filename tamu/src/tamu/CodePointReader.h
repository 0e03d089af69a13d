#pragma once

#include "tamu/ICharEncoding.h"

#include <cstdint>

namespace tamu {

// Walks the characters of a byte range forwards, decoding them in batches of 16 so the
// encoding's virtual call is paid once per batch. Invalid bytes are skipped.
class CodePointReader {
public:
    static constexpr int32_t batchSize = 16;

    CodePointReader(const ICharEncoding& encoding, const void* data, int32_t end,
                    int32_t pos = 0) noexcept
        : m_encoding(encoding), m_data(data), m_end(end), m_pos(pos) {}

    bool next(uint32_t& codePoint) {
        if (m_index == m_count && !refill())
            return false;
        codePoint = m_codePoints[m_index++];
        return true;
    }

    // Byte offset where the character last returned by next() starts.
    int32_t lastOffset() const { return m_offsets[m_index - 1]; }

private:
    bool refill() {
        if (m_pos >= m_end)
            return false;
        m_pos =
            m_encoding.decodeRun(m_codePoints, batchSize, m_count, m_data, m_end, m_pos, m_offsets);
        m_index = 0;
        return m_count > 0;
    }

    const ICharEncoding& m_encoding;
    const void* m_data;
    int32_t m_end;
    int32_t m_pos;
    int32_t m_count = 0;
    int32_t m_index = 0;
    uint32_t m_codePoints[batchSize];
    int32_t m_offsets[batchSize];
};

} // namespace tamu
