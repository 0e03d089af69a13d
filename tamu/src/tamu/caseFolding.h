#pragma once

#include <cstdint>

namespace tamu {

// Simple Unicode case folding as a two-level table: code points below `limit` are looked up in
// blocks of 512 signed 16-bit deltas. A delta is added within the code point's plane (modulo
// 0x10000): folding never leaves a plane, and the few pairs more than 32767 apart (U+A7AE and
// U+026A, say) fit a 16-bit entry that way.
class CaseFoldTable {
public:
    static constexpr int32_t blockShift = 9;
    static constexpr uint32_t blockMask = 0x1FF;

    uint32_t fold(uint32_t c) const {
        if (c >= m_limit)
            return c;
        int16_t delta = m_blocks[c >> blockShift][c & blockMask];
        return (c & 0xFFFF0000u) |
               ((c + static_cast<uint32_t>(static_cast<int32_t>(delta))) & 0xFFFFu);
    }

    uint32_t getLimit() const { return m_limit; }

private:
    friend const CaseFoldTable& caseFoldTable();
    CaseFoldTable();

    uint32_t m_limit = 0;
    const int16_t* const* m_blocks = nullptr;
};

// Built once, at start-up, from the data held in caseFoldingData.cpp.
const CaseFoldTable& caseFoldTable();

// The generated data: runs of code points `first`, `first + stride`, ... (`count` of them) that
// all fold by the same delta.
struct CaseFoldRun {
    uint32_t first;
    uint16_t count;
    uint8_t stride;
    int16_t delta;
};

extern const CaseFoldRun caseFoldRuns[];
extern const int32_t caseFoldRunCount;

} // namespace tamu
