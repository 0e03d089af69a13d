#include "tamu/posix/shareLocks.h"

#include "tamu/IStreamFactory.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>

namespace tamu::posix {

namespace {

// Far beyond any file a disk can hold, so the locks never touch data that others lock. One
// byte apart, so that the kernel never merges two of one open's locks into one range.
constexpr off_t lockBase = off_t(1) << 62;
constexpr off_t readerByte = lockBase;
constexpr off_t refusesReadersByte = lockBase + 2;
constexpr off_t refusesWritersByte = lockBase + 4;
// Held exclusively by a writer while it checks and takes its locks.
constexpr off_t guardByte = lockBase + 6;
// A descriptor may take shared locks only when it reads and exclusive ones only when it
// writes, so a write-only open cannot share one byte with other writers: each writer holds an
// exclusive lock on a byte of its own in this range, chosen under the guard.
constexpr off_t writerBytes = lockBase + 8;
constexpr off_t writerByteCount = off_t(1) << 20;

int setLock(int descriptor, int command, short type, off_t start, off_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    int result;
    do {
        result = ::fcntl(descriptor, command, &lock);
    } while (result != 0 && errno == EINTR);
    return result;
}

// 1 when another open holds a lock in the range, 0 when none does, -1 on failure. `end` is
// where the lock found ends, 0 when it runs to the end of all offsets.
int heldByOther(int descriptor, off_t start, off_t length, off_t* end = nullptr) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    if (::fcntl(descriptor, F_OFD_GETLK, &lock) != 0)
        return -1;
    if (lock.l_type == F_UNLCK)
        return 0;
    if (end)
        *end = lock.l_len == 0 ? 0 : lock.l_start + lock.l_len;
    return 1;
}

int takeWriterByte(int descriptor) {
    for (off_t byte = writerBytes; byte < writerBytes + writerByteCount;) {
        off_t end = 0;
        const int held = heldByOther(descriptor, byte, 1, &end);
        if (held < 0)
            return -1;
        if (held == 0)
            return setLock(descriptor, F_OFD_SETLK, F_WRLCK, byte, 1);
        if (end <= byte)
            break;
        byte = end;
    }
    errno = EAGAIN;
    return -1;
}

bool isRefusal(int error) {
    return error == EAGAIN || error == EACCES;
}

} // namespace

ShareLocks takeShareLocks(int descriptor, bool reads, bool writes, int32_t shareKind) {
    const bool refusesReaders = shareKind == shareNone;
    const bool refusesWriters = shareKind != shareReadersAndWriters;

    // A writer checks and takes alone. An open that only reads cannot lock exclusively: its
    // shared hold on the guard keeps writers out, and between readers the locks are taken
    // before they are checked, so of two that conflict at least one sees the other (at worst
    // both are refused, never both let in).
    if (setLock(descriptor, F_OFD_SETLKW, writes ? F_WRLCK : F_RDLCK, guardByte, 1) != 0) {
        if (errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS)
            return ShareLocks::unsupported;
        return ShareLocks::failed;
    }
    const short markType = reads ? F_RDLCK : F_WRLCK;
    auto mark = [&](off_t byte) {
        return setLock(descriptor, F_OFD_SETLK, markType, byte, 1) == 0;
    };
    int found = 0;
    bool taken = (!reads || mark(readerByte)) && (!writes || takeWriterByte(descriptor) == 0) &&
                 (!refusesReaders || mark(refusesReadersByte)) &&
                 (!refusesWriters || mark(refusesWritersByte));
    if (taken) {
        auto check = [&](bool wanted, off_t start, off_t length) {
            if (wanted && found == 0)
                found = heldByOther(descriptor, start, length);
        };
        check(reads, refusesReadersByte, 1);
        check(writes, refusesWritersByte, 1);
        check(refusesReaders, readerByte, 1);
        check(refusesWriters, writerBytes, writerByteCount);
    }
    const int error = errno;
    if (taken && found == 0) {
        setLock(descriptor, F_OFD_SETLK, F_UNLCK, guardByte, 1);
        return ShareLocks::held;
    }
    // Let go at once: a third open must not be refused on account of an open that failed.
    setLock(descriptor, F_OFD_SETLK, F_UNLCK, lockBase, 0);
    if (found > 0 || (!taken && isRefusal(error)))
        return ShareLocks::refused;
    errno = error;
    return ShareLocks::failed;
}

} // namespace tamu::posix
