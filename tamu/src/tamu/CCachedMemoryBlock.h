#pragma once

#include "tamu/CMemoryBlockBase.h"
#include "tamu/P.h"

namespace tamu {

class CMemoryManager;

// A memory block whose buffer belongs to a size class of a memory manager: its capacity is
// always 2 << bucketIndex. When its last reference goes, the block (buffer included) goes back
// to the manager's free list instead of being deleted. Growing beyond the capacity exchanges
// the buffer for one of a larger class through the manager.
class CCachedMemoryBlock : public CMemoryBlockBase {
public:
    CCachedMemoryBlock(CMemoryManager* manager, int32_t size, int32_t bucketIndex);
    ~CCachedMemoryBlock() override;

    void setCapacity(int32_t capacity) override;
    void assign(const void* bytes, int32_t count) override;
    void makeWritable() override {}

    // Takes over another buffer of the same manager, without copying.
    virtual void adopt(uint8_t* data, int32_t capacity, int32_t bucketIndex);

    int32_t getBucketIndex() const { return m_bucketIndex; }

protected:
    void destroy() const override;

private:
    friend class CMemoryManager;

    int32_t m_bucketIndex;
    P<CMemoryManager> m_manager; // null while the block waits in a free list
    CCachedMemoryBlock* m_next = nullptr;
};

} // namespace tamu
