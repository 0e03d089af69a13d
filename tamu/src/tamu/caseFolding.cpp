#include "caseFolding.h"

#include <cstddef>

namespace tamu {

CaseFoldTable::CaseFoldTable() {
    for (int32_t r = 0; r < caseFoldRunCount; ++r) {
        const CaseFoldRun& run = caseFoldRuns[r];
        uint32_t last = run.first + (run.count - 1u) * run.stride;
        if (last >= m_limit)
            m_limit = last + 1;
    }
    // Blocks without a single folding character share one block of zeros.
    int32_t blockCount = static_cast<int32_t>((m_limit + blockMask) >> blockShift);
    static const int16_t zeros[blockMask + 1] = {};
    auto** blocks = new const int16_t*[static_cast<std::size_t>(blockCount)];
    for (int32_t b = 0; b < blockCount; ++b)
        blocks[b] = zeros;
    for (int32_t r = 0; r < caseFoldRunCount; ++r) {
        const CaseFoldRun& run = caseFoldRuns[r];
        for (uint32_t i = 0, c = run.first; i < run.count; ++i, c += run.stride) {
            const int16_t*& block = blocks[c >> blockShift];
            if (block == zeros)
                block = new int16_t[blockMask + 1]();
            const_cast<int16_t*>(block)[c & blockMask] = run.delta;
        }
    }
    m_blocks = blocks;
}

const CaseFoldTable& caseFoldTable() {
    // Kept for the life of the process: comparisons may run during static destruction.
    static const CaseFoldTable* const table = new CaseFoldTable();
    return *table;
}

namespace {
// Build the table while the library starts rather than inside the first comparison.
const CaseFoldTable& builtAtStartUp = caseFoldTable();
} // namespace

} // namespace tamu
