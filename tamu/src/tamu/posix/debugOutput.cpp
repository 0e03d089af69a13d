#include "tamu/debugOutput.h"

#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace tamu {

namespace {

struct SinkSlot {
    std::mutex lock;
    P<IDebugSink> sink;
};

SinkSlot& sinkSlot() {
    // Never destroyed: errors may still be built while static objects are torn down.
    static SinkSlot* slot = new SinkSlot;
    return *slot;
}

void writeToStandardError(const P<IString>& text) {
    // Looked up on each write so the channel can be switched on in a running process.
    if (!std::getenv("TAMU_DEBUG_OUTPUT"))
        return;
    P<IString> utf8 = stringConv::toUTF8(text);
    const char* bytes = static_cast<const char*>(utf8->getData());
    ssize_t left = utf8->getByteLength();
    // One write per text where the pipe allows it, so lines of several threads do not mix.
    while (left > 0) {
        ssize_t written = ::write(STDERR_FILENO, bytes, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes += written;
        left -= written;
    }
}

} // namespace

void debugOutput(const P<IString>& text) {
    if (!text)
        return;
    P<IDebugSink> sink;
    {
        std::lock_guard guard(sinkSlot().lock);
        sink = sinkSlot().sink;
    }
    if (sink)
        sink->write(text);
    else
        writeToStandardError(text);
}

P<IDebugSink> setDebugSink(const P<IDebugSink>& sink) {
    std::lock_guard guard(sinkSlot().lock);
    P<IDebugSink> previous = sinkSlot().sink;
    sinkSlot().sink = sink;
    return previous;
}

} // namespace tamu
