#include "tamu/posix/CGlobalMutexImpl.h"

#include "tamu/platformErrors.h"
#include "tamu/waitTimeout.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>
#include <unordered_map>

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

struct CGlobalMutexImpl::Record {
    Record(const std::string& lockFilePath, int descriptor)
        : path(lockFilePath), process(getpid()), fd(descriptor) {
        pthread_condattr_t attributes;
        pthread_condattr_init(&attributes);
        pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
        pthread_cond_init(&released, &attributes);
        pthread_condattr_destroy(&attributes);
    }

    // Closing the descriptor drops a file lock still held.
    ~Record() {
        ::close(fd);
        pthread_cond_destroy(&released);
        pthread_mutex_destroy(&stateLock);
    }

    std::string path;
    // A child process inherits the records of its parent but not their ownership: it makes
    // its own, with a descriptor of its own.
    const pid_t process;
    const int fd;
    // Objects using the record; guarded by the registry's lock.
    int users = 1;
    pthread_mutex_t stateLock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t released;
    bool owned = false;
    pthread_t owner{};
    int depth = 0;

    enum class Entry { timedOut, reentered, acquired };
    // In-process ownership; `deadline` null waits without limit.
    Entry enter(const timespec* deadline);
    void leave();
};

namespace {

// The records by lock file path. Never destroyed: mutexes held by objects that outlive static
// destruction still find it.
pthread_mutex_t registryLock = PTHREAD_MUTEX_INITIALIZER;
std::unordered_map<std::string, CGlobalMutexImpl::Record*>* registry;

// A fork while another thread holds the registry would leave it locked for good in the child.
void lockRegistry() {
    pthread_mutex_lock(&registryLock);
}

void unlockRegistry() {
    pthread_mutex_unlock(&registryLock);
}

std::unordered_map<std::string, CGlobalMutexImpl::Record*>& records() {
    if (!registry) {
        registry = new std::unordered_map<std::string, CGlobalMutexImpl::Record*>;
        pthread_atfork(lockRegistry, unlockRegistry, unlockRegistry);
    }
    return *registry;
}

// Null when the lock file cannot be opened.
CGlobalMutexImpl::Record* acquireRecord(const std::string& path) {
    lockRegistry();
    auto& byPath = records();
    auto found = byPath.find(path);
    if (found != byPath.end() && found->second->process == getpid()) {
        ++found->second->users;
        unlockRegistry();
        return found->second;
    }
    CGlobalMutexImpl::Record* record = nullptr;
    const int fd = openLockFile(path);
    if (fd >= 0) {
        record = new CGlobalMutexImpl::Record(path, fd);
        byPath[path] = record;
    }
    unlockRegistry();
    return record;
}

void releaseRecord(CGlobalMutexImpl::Record* record) {
    lockRegistry();
    const bool last = --record->users == 0;
    if (last) {
        auto& byPath = records();
        auto found = byPath.find(record->path);
        // In a child, the path may lead to the child's own record by now.
        if (found != byPath.end() && found->second == record)
            byPath.erase(found);
    }
    unlockRegistry();
    if (last)
        delete record;
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

CGlobalMutexImpl::CGlobalMutexImpl(const std::string& name)
    : m_name(name), m_record(acquireRecord(getLockFilePath(name))) {
    if (!m_record)
        throwException(creationFailed + m_name);
}

CGlobalMutexImpl::~CGlobalMutexImpl() {
    releaseRecord(m_record);
}

CGlobalMutexImpl::Record::Entry CGlobalMutexImpl::Record::enter(const timespec* deadline) {
    pthread_mutex_lock(&stateLock);
    Entry entry = Entry::acquired;
    if (owned && pthread_equal(owner, pthread_self())) {
        ++depth;
        entry = Entry::reentered;
    } else {
        while (owned) {
            if (!deadline)
                pthread_cond_wait(&released, &stateLock);
            else if (pthread_cond_timedwait(&released, &stateLock, deadline) == ETIMEDOUT)
                break;
        }
        if (owned) {
            entry = Entry::timedOut;
        } else {
            owned = true;
            owner = pthread_self();
            depth = 1;
        }
    }
    pthread_mutex_unlock(&stateLock);
    return entry;
}

void CGlobalMutexImpl::Record::leave() {
    pthread_mutex_lock(&stateLock);
    owned = false;
    depth = 0;
    pthread_cond_signal(&released);
    pthread_mutex_unlock(&stateLock);
}

void CGlobalMutexImpl::lock() {
    if (m_record->enter(nullptr) == Record::Entry::reentered)
        return;
    if (lockFile(m_record->fd, LOCK_EX) != 0) {
        m_record->leave();
        throwException(lockingFailed + m_name);
    }
}

void CGlobalMutexImpl::unlock() {
    pthread_mutex_lock(&m_record->stateLock);
    const bool last = --m_record->depth == 0;
    pthread_mutex_unlock(&m_record->stateLock);
    if (!last)
        return;
    lockFile(m_record->fd, LOCK_UN);
    m_record->leave();
}

bool CGlobalMutexImpl::tryLock(uint32_t timeout) {
    if (timeout == infiniteTimeout) {
        lock();
        return true;
    }
    const timespec deadline = after(now(), static_cast<long>(timeout) * 1000000L);
    switch (m_record->enter(&deadline)) {
    case Record::Entry::timedOut:
        return false;
    case Record::Entry::reentered:
        return true;
    case Record::Entry::acquired:
        break;
    }
    // flock has no timed form: poll, backing off to a millisecond between attempts.
    for (long pause = 50000;; pause = pause < 500000 ? pause * 2 : 1000000) {
        if (lockFile(m_record->fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        const long long left = until(now(), deadline);
        if (errno != EWOULDBLOCK || left == 0) {
            m_record->leave();
            return false;
        }
        const timespec nap = after({0, 0}, static_cast<long>(left < pause ? left : pause));
        nanosleep(&nap, nullptr);
    }
}

} // namespace tamu::posix
