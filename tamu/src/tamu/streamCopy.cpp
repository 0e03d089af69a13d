// The shared defaults of IInStream::copyTo and IOutStream::copyFrom.
#include "tamu/CException.h"
#include "tamu/CObjectError.h"
#include "tamu/IInStream.h"
#include "tamu/IOutStream.h"
#include "tamu/ISignal.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformServices.h"
#include "tamu/str.h"

#include <cstdint>
#include <memory>

namespace tamu {

namespace {

// The caller's buffer, or one allocated for the call.
class CopyBuffer {
public:
    CopyBuffer(void* buffer, int32_t size) {
        if (!buffer) {
            m_owned = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
            buffer = m_owned.get();
        }
        m_data = buffer;
    }
    void* data() const { return m_data; }

private:
    std::unique_ptr<uint8_t[]> m_owned;
    void* m_data;
};

bool stopped(ISignal* stop) {
    return stop && stop->isSet();
}

} // namespace

void IInStream::copyTo(IOutStream& out, void* buffer, int32_t size, ISignal* stop) {
    if (size <= 0)
        throw CInvalidArgError(this, str("IInStream::copyTo"), str("size"));
    CopyBuffer copy(buffer, size);
    while (!isEOF() && !stopped(stop)) {
        int32_t count = read(copy.data(), size);
        if (count > 0)
            out.write(copy.data(), count);
    }
}

void IOutStream::copyFrom(IInStream& in, void* buffer, int32_t size, ISignal* stop) {
    if (size <= 0)
        throw CInvalidArgError(this, str("IOutStream::copyFrom"), str("size"));
    CopyBuffer copy(buffer, size);
    while (!in.isEOF() && !stopped(stop)) {
        int32_t count = in.read(copy.data(), size);
        if (count > 0)
            write(copy.data(), count);
        else if (count == 0)
            getThreadManager()->sleep(1); // the source has nothing yet: let its writer run
        else
            throw CException(str("Exception"), str("Input stream read error"));
    }
}

} // namespace tamu
