#pragma once

#include "tamu/P.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tamu {
class IMemoryBlock;
}

namespace orxa::flac {

// An MD5 over a sequence of memory blocks, computed on a thread of its own so that checking a
// stream's signature runs beside its decoding. The hand-off is bounded: add waits while
// `capacity` blocks are queued, so a hasher that falls behind slows the producer instead of
// holding the stream. The blocks are shared, not copied: nothing may write into a block once it
// is added, until the hasher lets it go.
class CBackgroundMD5 {
public:
    explicit CBackgroundMD5(size_t capacity);
    CBackgroundMD5(const CBackgroundMD5&) = delete;
    CBackgroundMD5& operator=(const CBackgroundMD5&) = delete;
    // Stops the thread; what is still queued is dropped unhashed.
    ~CBackgroundMD5();

    // Queues the block's bytes, after those added before.
    void add(tamu::P<tamu::IMemoryBlock> block);
    // Waits until every added block is hashed and gives the digest. Adding after it is refused
    // (std::logic_error).
    void finish(uint8_t digest[16]);

private:
    struct State;
    void run();

    std::unique_ptr<State> m_state;
};

} // namespace orxa::flac
