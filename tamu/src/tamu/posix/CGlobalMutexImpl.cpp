#include "tamu/posix/CGlobalMutexImpl.h"

#include "tamu/platformErrors.h"
#include "tamu/waitTimeout.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tamu::posix {

namespace {

constexpr const char* creationFailed = "Error createing global mutex ";
constexpr const char* lockingFailed = "Error locking global mutex ";

constexpr long nanosPerSecond = 1000000000L;

timespec now() {
    timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return time;
}

timespec after(timespec time, long nanoseconds) {
    time.tv_sec += nanoseconds / nanosPerSecond;
    time.tv_nsec += nanoseconds % nanosPerSecond;
    if (time.tv_nsec >= nanosPerSecond) {
        time.tv_nsec -= nanosPerSecond;
        ++time.tv_sec;
    }
    return time;
}

// Nanoseconds from `from` to `to`, 0 when `to` has passed.
long long until(const timespec& from, const timespec& to) {
    const long long left = (to.tv_sec - from.tv_sec) * static_cast<long long>(nanosPerSecond) +
                           to.tv_nsec - from.tv_nsec;
    return left > 0 ? left : 0;
}

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
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const int error = pthread_cond_init(&m_released, &attributes);
    pthread_condattr_destroy(&attributes);
    if (error == 0)
        m_fd = openLockFile(getLockFilePath(name));
    if (m_fd < 0) {
        if (error == 0)
            pthread_cond_destroy(&m_released);
        pthread_mutex_destroy(&m_stateLock);
        throwException(creationFailed + m_name);
    }
}

CGlobalMutexImpl::~CGlobalMutexImpl() {
    // Closing the descriptor drops a file lock still held.
    ::close(m_fd);
    pthread_cond_destroy(&m_released);
    pthread_mutex_destroy(&m_stateLock);
}

CGlobalMutexImpl::Entry CGlobalMutexImpl::enter(const timespec* deadline) {
    pthread_mutex_lock(&m_stateLock);
    Entry entry = Entry::acquired;
    if (m_owned && pthread_equal(m_owner, pthread_self())) {
        ++m_depth;
        entry = Entry::reentered;
    } else {
        while (m_owned) {
            if (!deadline)
                pthread_cond_wait(&m_released, &m_stateLock);
            else if (pthread_cond_timedwait(&m_released, &m_stateLock, deadline) == ETIMEDOUT)
                break;
        }
        if (m_owned) {
            entry = Entry::timedOut;
        } else {
            m_owned = true;
            m_owner = pthread_self();
            m_depth = 1;
        }
    }
    pthread_mutex_unlock(&m_stateLock);
    return entry;
}

void CGlobalMutexImpl::leave() {
    pthread_mutex_lock(&m_stateLock);
    m_owned = false;
    m_depth = 0;
    pthread_cond_signal(&m_released);
    pthread_mutex_unlock(&m_stateLock);
}

void CGlobalMutexImpl::lock() {
    if (enter(nullptr) == Entry::reentered)
        return;
    if (lockFile(m_fd, LOCK_EX) != 0) {
        leave();
        throwException(lockingFailed + m_name);
    }
}

void CGlobalMutexImpl::unlock() {
    pthread_mutex_lock(&m_stateLock);
    const bool last = --m_depth == 0;
    pthread_mutex_unlock(&m_stateLock);
    if (!last)
        return;
    lockFile(m_fd, LOCK_UN);
    leave();
}

bool CGlobalMutexImpl::tryLock(uint32_t timeout) {
    if (timeout == infiniteTimeout) {
        lock();
        return true;
    }
    const timespec deadline = after(now(), static_cast<long>(timeout) * 1000000L);
    switch (enter(&deadline)) {
    case Entry::timedOut:
        return false;
    case Entry::reentered:
        return true;
    case Entry::acquired:
        break;
    }
    // flock has no timed form: poll, backing off to a millisecond between attempts.
    for (long pause = 50000;; pause = pause < 500000 ? pause * 2 : 1000000) {
        if (lockFile(m_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        const long long left = until(now(), deadline);
        if (errno != EWOULDBLOCK || left == 0) {
            leave();
            return false;
        }
        const timespec nap = after({0, 0}, static_cast<long>(left < pause ? left : pause));
        nanosleep(&nap, nullptr);
    }
}

} // namespace tamu::posix
