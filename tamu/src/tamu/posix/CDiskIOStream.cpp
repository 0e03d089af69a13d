#include "tamu/posix/CDiskIOStream.h"

#include "tamu/CObjectError.h"
#include "tamu/CStringFormat.h"
#include "tamu/CURIError.h"
#include "tamu/ILogManager.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/IPathes.h"
#include "tamu/IStreamFactory.h"
#include "tamu/IString.h"
#include "tamu/IThreadManager.h"
#include "tamu/IURI.h"
#include "tamu/interfaceCast.h"
#include "tamu/platformServices.h"
#include "tamu/posix/diskErrors.h"
#include "tamu/posix/shareLocks.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamu::posix {

namespace {

static_assert(sizeof(off_t) == sizeof(int64_t), "file positions must be 64-bit");

// Writers wait this long for a file that someone else holds: 12 x 250 ms.
constexpr int lockRetries = 12;
constexpr uint32_t lockRetryDelay = 250;

int openFile(const std::string& path, int flags) {
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), flags, 0666);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// A writer kept waiting is worth one line to the host, not one per attempt.
void logLockWait(const IURI& uri, bool gaveUp) {
    P<ILogManager> log = getLogManager();
    if (gaveUp)
        log->logAtLevel2(str("CDiskIOStream"),
                         formatString("CDiskIOStream: %s still in use after %d retries",
                                      uri.toString(), lockRetries));
    else
        log->logAtLevel1(str("CDiskIOStream"),
                         formatString("CDiskIOStream: %s is in use, retrying", uri.toString()));
}

// Opens the file and takes its share-mode locks, retried for writers; closes what it opened
// on failure. Answers the descriptor, or -1 with errno set (EWOULDBLOCK when refused).
int openLocked(const IURI& uri, const std::string& path, int flags, bool reads, bool writes,
               int32_t shareKind, int retries) {
    const int budget = retries;
    for (;;) {
        int descriptor = openFile(path, flags);
        if (descriptor < 0)
            return -1;
        struct stat info;
        if (::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
            ::close(descriptor);
            errno = EISDIR;
            return -1;
        }
        // Devices and pipes are not shared out; they are what they are to every opener.
        if (!S_ISREG(info.st_mode))
            return descriptor;
        const ShareLocks locks = takeShareLocks(descriptor, reads, writes, shareKind);
        if (locks == ShareLocks::held || locks == ShareLocks::unsupported)
            return descriptor;
        int error = locks == ShareLocks::refused ? EWOULDBLOCK : errno;
        ::close(descriptor);
        if (locks != ShareLocks::refused || retries == 0) {
            if (locks == ShareLocks::refused && budget > 0)
                logLockWait(uri, true);
            errno = error;
            return -1;
        }
        if (retries-- == budget)
            logLockWait(uri, false);
        getThreadManager()->sleep(lockRetryDelay);
    }
}

} // namespace

CDiskIOStream::CDiskIOStream(const IURI* uri, int32_t shareKind, int32_t creationKind,
                             int32_t accessFlags, bool deleteOnClose)
    : m_lock(getMutexFactory()->createMutex()), m_uri(uri ? uri->clone() : nullptr) {
    if (!m_uri || (m_uri->hasScheme() && !m_uri->isScheme("file")) || !m_uri->hasPath())
        throw CFileNotFoundError(m_uri);

    if (shareKind < shareNone || shareKind > shareReadersAndWriters)
        throw CInvalidArgError(this, nullptr, nullptr);
    // Truncation waits until the lock is held: the file may belong to someone else until then.
    int flags = O_CLOEXEC;
    switch (creationKind) {
    case 1:
        break;
    case 2:
    case 3:
        flags |= O_CREAT;
        break;
    default:
        throw CInvalidArgError(this, nullptr, nullptr);
    }
    switch (accessFlags & (readAccess | writeAccess)) {
    case readAccess:
        flags |= O_RDONLY;
        break;
    case writeAccess:
        flags |= O_WRONLY;
        break;
    case readAccess | writeAccess:
        flags |= O_RDWR;
        break;
    default:
        throw CInvalidArgError(this, nullptr, nullptr);
    }

    // Absolute, so that deleteOnClose still finds the file after a change of folder.
    P<IString> localPath = getPathes()->getLocalPath(*m_uri, IPathes::absolutePath);
    if (!localPath)
        throw CFileNotFoundError(m_uri);
    std::string path = stringConv::toStdString(*localPath);

    const bool reading = (accessFlags & readAccess) != 0;
    const bool writing = (accessFlags & writeAccess) != 0;
    int descriptor = openLocked(*m_uri, path, flags, reading, writing, shareKind,
                                writing && shareKind != shareReadersAndWriters ? lockRetries : 0);
    if (descriptor < 0)
        throwOpenError(errno, m_uri);
    // A descriptor without write access cannot truncate; the path can, given the permission.
    if (creationKind == createOrTruncate &&
        (writing ? ::ftruncate(descriptor, 0) : ::truncate(path.c_str(), 0)) != 0) {
        int error = errno;
        ::close(descriptor);
        throwOpenError(error, m_uri);
    }
    m_descriptor.store(descriptor);
    if (deleteOnClose)
        m_deletePath = path;
}

CDiskIOStream::~CDiskIOStream() {
    closeDescriptor();
}

int CDiskIOStream::checkedDescriptor() const {
    int descriptor = m_descriptor.load();
    if (descriptor < 0)
        throw CStreamClosedError(m_uri);
    return descriptor;
}

void CDiskIOStream::checkCount(int32_t count, const char* method) const {
    if (count < 0)
        throw CInvalidArgError(this, stringConv::fromUTF8(method), str("count"));
}

void CDiskIOStream::closeDescriptor() {
    int descriptor = m_descriptor.exchange(-1);
    if (descriptor < 0)
        return;
    // Unlinked while the lock is still held, so nobody waiting for the file opens it first.
    if (!m_deletePath.empty())
        ::unlink(m_deletePath.c_str());
    // Linux releases the descriptor even when close reports an error; retrying could close
    // a descriptor that another thread has been given meanwhile.
    ::close(descriptor);
}

int64_t CDiskIOStream::getPosition() const {
    return moveTo(0, SEEK_CUR);
}

int64_t CDiskIOStream::getLength() const {
    CMutexLock lock(*m_lock);
    struct stat info;
    if (::fstat(checkedDescriptor(), &info) != 0)
        throwIOError(errno, m_uri);
    return info.st_size;
}

bool CDiskIOStream::isClosed() const {
    return m_descriptor.load() < 0;
}

void CDiskIOStream::close() {
    CMutexLock lock(*m_lock);
    closeDescriptor();
}

P<IURI> CDiskIOStream::getURI() const {
    return m_uri;
}

int32_t CDiskIOStream::read(void* buffer, int32_t count) {
    CMutexLock lock(*m_lock);
    int descriptor = checkedDescriptor();
    checkCount(count, "CDiskIOStream::read");
    ssize_t done;
    do {
        done = ::read(descriptor, buffer, static_cast<size_t>(count));
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        throwIOError(errno, m_uri);
    return static_cast<int32_t>(done);
}

int32_t CDiskIOStream::readPartial(void* buffer, int32_t count) {
    return read(buffer, count);
}

void CDiskIOStream::readFully(void* buffer, int32_t count) {
    CMutexLock lock(*m_lock);
    checkedDescriptor();
    checkCount(count, "CDiskIOStream::readFully");
    // A regular file answers in one call; pipes and devices may need more.
    int32_t done = 0;
    while (done < count) {
        int32_t got = read(static_cast<char*>(buffer) + done, count - done);
        if (got == 0)
            throw CEndOfStreamError();
        done += got;
    }
}

int32_t CDiskIOStream::skip(int32_t count) {
    CMutexLock lock(*m_lock);
    // From beyond the end, what is left is below zero: the move goes back to the end.
    const int64_t taken = std::min<int64_t>(count, getLength() - getPosition());
    moveTo(taken, SEEK_CUR);
    return static_cast<int32_t>(std::max<int64_t>(taken, INT32_MIN));
}

int32_t CDiskIOStream::skipPartial(int32_t count) {
    return skip(count);
}

void CDiskIOStream::skipFully(int32_t count) {
    moveTo(count, SEEK_CUR);
}

bool CDiskIOStream::isEOF() const {
    CMutexLock lock(*m_lock);
    return getPosition() >= getLength();
}

void CDiskIOStream::write(const void* buffer, int32_t count) {
    CMutexLock lock(*m_lock);
    int descriptor = checkedDescriptor();
    checkCount(count, "CDiskIOStream::write");
    const char* next = static_cast<const char*>(buffer);
    size_t left = static_cast<size_t>(count);
    // A short write (a signal, a full pipe) is no failure: the rest follows.
    while (left > 0) {
        ssize_t done = ::write(descriptor, next, left);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            throwIOError(done < 0 ? errno : EIO, m_uri);
        next += done;
        left -= static_cast<size_t>(done);
    }
}

int32_t CDiskIOStream::writeCounted(const void* buffer, int32_t count) {
    write(buffer, count);
    return count;
}

void CDiskIOStream::flush() {
    CMutexLock lock(*m_lock);
    // Pipes and devices that cannot be synchronised answer EINVAL; they hold nothing back.
    if (::fsync(checkedDescriptor()) != 0 && errno != EINVAL)
        throwIOError(errno, m_uri);
}

P<IStreamMarker> CDiskIOStream::createMarker() {
    return make<CMarker>(getPosition());
}

void CDiskIOStream::resetToMarker(IStreamMarker& marker) {
    seek(interfaceCast<IMarker>(static_cast<IBase*>(&marker))->getPosition());
}

int64_t CDiskIOStream::moveTo(int64_t offset, int whence) const {
    CMutexLock lock(*m_lock);
    const int descriptor = checkedDescriptor();
    off_t position = ::lseek(descriptor, offset, whence);
    if (position >= 0)
        return position;
    const int error = errno;
    // EINVAL also means a target beyond the largest file the file system holds.
    if (error == EINVAL) {
        off_t from = 0;
        struct stat info;
        if (whence == SEEK_CUR)
            from = ::lseek(descriptor, 0, SEEK_CUR);
        else if (whence == SEEK_END)
            from = ::fstat(descriptor, &info) == 0 ? info.st_size : -1;
        off_t target;
        if (from >= 0 && !__builtin_add_overflow(from, offset, &target) && target < 0)
            throwSeekBeforeStart();
    }
    throwIOError(error, m_uri);
}

void CDiskIOStream::seek(int64_t position) {
    moveTo(position, SEEK_SET);
}

void CDiskIOStream::seekFromEnd(int64_t offset) {
    moveTo(offset, SEEK_END);
}

void CDiskIOStream::seekRelative(int64_t offset) {
    moveTo(offset, SEEK_CUR);
}

} // namespace tamu::posix
