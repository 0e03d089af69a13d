#pragma once

#include "tamu/CObject.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/ISeekableIOStream.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/ISeekableStream.h"
#include "tamu/IStreamMarker.h"
#include "tamu/IURI.h"

#include <cstdint>

namespace tamu {

class IMutex;
class IString;

// A readable, writable and seekable stream over a memory block; the block's size is the
// stream's length. Writing in the middle overwrites, writing at the end appends and grows the
// block. Every operation holds the stream's mutex, so one stream may be shared by threads.
class CMemoryIOStream : public CObject,
                        public virtual ISeekableIOStream,
                        public virtual ISeekableInStream,
                        public virtual ISeekableOutStream,
                        public virtual ISeekableStream {
public:
    class TAMU_API IMarker : public virtual IStreamMarker {
    public:
        virtual int64_t getPosition() const = 0;
    };

    class CMarker : public CObject, public virtual IMarker {
    public:
        explicit CMarker(int64_t position) : m_position(position) {}
        int64_t getPosition() const override { return m_position; }
        void discard() override {}

    private:
        int64_t m_position;
    };

    // Over `block`, or over a new empty block when it is null; `uri` (optional) is cloned.
    explicit CMemoryIOStream(const P<IMemoryBlock>& block = nullptr, const P<IURI>& uri = nullptr);

    int64_t getPosition() const override;
    int64_t getLength() const override;
    bool isClosed() const override;
    void close() override;
    P<IURI> getURI() const override;

    void readFully(void* buffer, int32_t count) override;
    int32_t read(void* buffer, int32_t count) override;
    int32_t readPartial(void* buffer, int32_t count) override;
    void skipFully(int32_t count) override;
    int32_t skip(int32_t count) override;
    int32_t skipPartial(int32_t count) override;
    bool isEOF() const override;

    void write(const void* buffer, int32_t count) override;
    int32_t writeCounted(const void* buffer, int32_t count) override;
    void flush() override;

    P<IStreamMarker> createMarker() override;
    void resetToMarker(IStreamMarker& marker) override;

    void seek(int64_t position) override;
    void seekFromEnd(int64_t offset) override;
    void seekRelative(int64_t offset) override;

    P<IMemoryBlock> getMemoryBlock() const;

private:
    void checkOpen() const;
    void checkCount(int32_t count, const char* method) const;
    // The lock is held by the caller.
    int32_t transfer(void* buffer, int32_t count);
    void moveTo(int64_t position);
    void moveBy(int64_t origin, int64_t offset);

    P<IMutex> m_lock;
    P<IMemoryBlock> m_block;
    P<IURI> m_uri;
    int64_t m_position = 0;
    bool m_closed = false;
};

} // namespace tamu
