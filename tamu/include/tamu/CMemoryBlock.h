#pragma once

#include "tamu/CMemoryBlockBase.h"
#include "tamu/P.h"

namespace tamu {

// A memory block whose buffer comes straight from the heap, sized exactly as asked.
class CMemoryBlock : public CMemoryBlockBase {
public:
    // `size` bytes, copied from `bytes` when it is not null, otherwise left as they are.
    explicit CMemoryBlock(int32_t size = 0, const void* bytes = nullptr);
    ~CMemoryBlock() override;

    // A block over bytes it does not own, kept alive by `owner` (which may be null when the
    // bytes outlive the block anyway). The first change copies them into an own buffer.
    static P<CMemoryBlock> wrap(const void* bytes, int32_t size, P<IBase> owner);

    void setCapacity(int32_t capacity) override;
    void assign(const void* bytes, int32_t count) override;
    void makeWritable() override;

    bool ownsData() const { return m_ownsData; }

private:
    P<IBase> m_owner;
    bool m_ownsData = true;
};

} // namespace tamu
