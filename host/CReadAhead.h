#pragma once

#include "tamu/P.h"

#include <cstddef>
#include <functional>
#include <memory>

namespace orxa::audio {
class IAudioChunk;
}

namespace orxa::host {

// Reads chunks ahead on a thread of its own through a bounded queue, so that decoding the next
// chunks runs while the caller encodes this one. The chunks are handed over as they are, never
// copied. The reader stops at the first empty chunk, at the first exception (which next() throws
// again in its place, after the chunks before it) or when the queue's owner goes.
class CReadAhead {
public:
    using Reader = std::function<tamu::P<orxa::audio::IAudioChunk>()>;

    // `read` runs on the reading thread only, from here until it ends or this object goes.
    CReadAhead(Reader read, size_t capacity);
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;
    // Stops the reader (it finishes the read under way) and waits for it.
    ~CReadAhead();

    // The next chunk in order; empty at the end.
    tamu::P<orxa::audio::IAudioChunk> next();

private:
    struct State;
    void run();

    std::unique_ptr<State> m_state;
};

} // namespace orxa::host
