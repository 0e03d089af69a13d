#include "tamu/posix/CGlobalMutexImpl.h"

#include "tamu/platformErrors.h"
#include "tamu/waitTimeout.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace tamu::posix {

namespace {

constexpr const char* creationFailed = "Error createing global mutex ";
constexpr const char* lockingFailed = "Error locking global mutex ";

int openLockFile(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    // A lock file made by another user may be read-only for us; flock works on it all the same.
    if (fd < 0 && errno == EACCES) {
        do {
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
    }
    return fd;
}

int lockFile(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

std::string CGlobalMutexImpl::getLockFilePath(const std::string& name) {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    std::string path = runtimeDir && *runtimeDir ? runtimeDir : "/tmp";
    path += "/tamu.mutex.";
    for (char c : name)
        path += c == '/' ? '_' : c;
    return path;
}

CGlobalMutexImpl::CGlobalMutexImpl(const std::string& name) : m_name(name) {
    m_fd = openLockFile(getLockFilePath(name));
    if (m_fd < 0)
        throwException(creationFailed + m_name);
}

CGlobalMutexImpl::~CGlobalMutexImpl() {
    // Closing the descriptor drops a file lock still held.
    ::close(m_fd);
}

void CGlobalMutexImpl::lock() {
    m_local.lock();
    if (m_depth == 0 && lockFile(m_fd, LOCK_EX) != 0) {
        m_local.unlock();
        throwException(lockingFailed + m_name);
    }
    ++m_depth;
}

void CGlobalMutexImpl::unlock() {
    if (--m_depth == 0)
        lockFile(m_fd, LOCK_UN);
    m_local.unlock();
}

bool CGlobalMutexImpl::tryLock(uint32_t timeout) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::microseconds;
    if (timeout == infiniteTimeout) {
        lock();
        return true;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
    if (!m_local.try_lock_until(deadline))
        return false;
    if (m_depth > 0) {
        ++m_depth;
        return true;
    }
    // flock has no timed form: poll, backing off to a millisecond between attempts.
    for (microseconds pause(50);; pause = std::min(pause * 2, microseconds(1000))) {
        if (lockFile(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_depth = 1;
            return true;
        }
        if (errno != EWOULDBLOCK || Clock::now() >= deadline) {
            m_local.unlock();
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - Clock::now()));
    }
}

} // namespace tamu::posix
