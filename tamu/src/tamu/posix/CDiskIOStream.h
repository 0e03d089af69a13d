#pragma once

#include "tamu/CObject.h"
#include "tamu/ISeekableIOStream.h"
#include "tamu/ISeekableInStream.h"
#include "tamu/ISeekableOutStream.h"
#include "tamu/ISeekableStream.h"
#include "tamu/IStreamMarker.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tamu {
class IMutex;
class IURI;
} // namespace tamu

namespace tamu::posix {

// A stream over a file of the local file system. Every transfer is one system call on the file
// descriptor with the caller's buffer (nothing is buffered here), and every operation but
// isClosed and getURI holds the stream's mutex. Positions are not limited to the length: seeking
// past the end is allowed, and writing there leaves a hole that reads as zeros.
//
// Share modes hold between the opens of a regular file, in one process or several: shareKind 0
// lets other opens do nothing, 1 lets them read, 2 lets them read and write, and an open is
// refused when an open already there does not let it have its access, or has an access the
// new one does not let it have. The locks that say so are taken at open and vanish with the
// descriptor (see shareLocks.h). A refused open that wants to write and keeps writers out
// (shareKind 0 or 1) is tried again 12 times, 250 ms apart; other opens fail at once.
class CDiskIOStream : public CObject,
                      public virtual ISeekableIOStream,
                      public virtual ISeekableInStream,
                      public virtual ISeekableOutStream,
                      public virtual ISeekableStream {
public:
    static constexpr int32_t readAccess = 1;
    static constexpr int32_t writeAccess = 2;

    // Only disk streams of this module read their markers: no need to share the type.
    class IMarker : public virtual IStreamMarker {
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

    // shareKind: 0 exclusive, 1 others may read, 2 others may read and write. creationKind: 1
    // open an existing file, 2 create or truncate, 3 open or create. accessFlags: readAccess,
    // writeAccess or both. deleteOnClose: the file is unlinked when the stream closes.
    // A URI of another scheme than `file`, or without a path, and a missing file or folder
    // throw CFileNotFoundError; a refusal by the permissions CFileAccessDeniedError; invalid
    // kinds or flags CInvalidArgError.
    CDiskIOStream(const IURI* uri, int32_t shareKind, int32_t creationKind, int32_t accessFlags,
                  bool deleteOnClose);
    ~CDiskIOStream() override;

    int64_t getPosition() const override;
    int64_t getLength() const override;
    bool isClosed() const override;
    // A second close does nothing.
    void close() override;
    P<IURI> getURI() const override;

    void readFully(void* buffer, int32_t count) override;
    // 0 at the end of the file, and past it.
    int32_t read(void* buffer, int32_t count) override;
    int32_t readPartial(void* buffer, int32_t count) override;
    // Moves on without looking at the length, as seekRelative does; a negative count moves back.
    void skipFully(int32_t count) override;
    // As skipFully, but a move that would pass the end of the file is cut to end there; answers
    // how far it went. From beyond the end, that is back to the end, a negative distance.
    int32_t skip(int32_t count) override;
    int32_t skipPartial(int32_t count) override;
    bool isEOF() const override;

    void write(const void* buffer, int32_t count) override;
    int32_t writeCounted(const void* buffer, int32_t count) override;
    // Waits until the file's data has reached the disk (fsync).
    void flush() override;

    P<IStreamMarker> createMarker() override;
    void resetToMarker(IStreamMarker& marker) override;

    // Any position from 0 up, the end of the file no limit. A target before the start is a
    // CError ("An attempt was made to move the file pointer before the beginning of the file.");
    // the position stays.
    void seek(int64_t position) override;
    void seekFromEnd(int64_t offset) override;
    void seekRelative(int64_t offset) override;

private:
    // The descriptor of an open stream; CStreamClosedError when closed. The lock is held.
    int checkedDescriptor() const;
    void checkCount(int32_t count, const char* method) const;
    // lseek under the lock; the new position.
    int64_t moveTo(int64_t offset, int whence) const;
    void closeDescriptor();

    std::atomic<int> m_descriptor{-1};
    P<IMutex> m_lock;
    P<IURI> m_uri;
    // The file to unlink at close; empty without deleteOnClose.
    std::string m_deletePath;
};

} // namespace tamu::posix
