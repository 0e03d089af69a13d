#include "tamu/posix/CMutexImpl.h"

namespace tamu::posix {

void CMutexImpl::lock() {
    m_mutex.lock();
}

void CMutexImpl::unlock() {
    m_mutex.unlock();
}

bool CMutexImpl::tryLock(uint32_t) {
    return m_mutex.try_lock();
}

} // namespace tamu::posix
