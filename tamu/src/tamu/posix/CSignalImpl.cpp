#include "tamu/posix/CSignalImpl.h"

#include "tamu/platformErrors.h"
#include "tamu/waitTimeout.h"

#include <cerrno>
#include <ctime>

namespace tamu::posix {

namespace {

constexpr const char* creationFailed = "Error creating event (%ERRORDESC%).";

timespec deadlineAfter(uint32_t milliseconds) {
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_nsec -= 1000000000L;
        ++deadline.tv_sec;
    }
    return deadline;
}

} // namespace

P<ISignal> CSignalFactory::createSignal(bool manualReset, bool initiallySet) {
    return make<CSignalImpl>(manualReset, initiallySet);
}

CSignalImpl::CSignalImpl(bool manualReset, bool initiallySet)
    : m_manualReset(manualReset), m_set(initiallySet) {
    if (int error = pthread_mutex_init(&m_mutex, nullptr))
        throwSystemError(creationFailed, error);
    pthread_condattr_t attributes;
    int error = pthread_condattr_init(&attributes);
    if (!error) {
        // Timed waits must not stretch or shrink when someone sets the wall clock.
        error = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
        if (!error)
            error = pthread_cond_init(&m_condition, &attributes);
        pthread_condattr_destroy(&attributes);
    }
    if (error) {
        pthread_mutex_destroy(&m_mutex);
        throwSystemError(creationFailed, error);
    }
}

CSignalImpl::~CSignalImpl() {
    pthread_cond_destroy(&m_condition);
    pthread_mutex_destroy(&m_mutex);
}

void CSignalImpl::set() {
    pthread_mutex_lock(&m_mutex);
    m_set = true;
    // An auto-reset signal lets one waiter through; waking the others would only send them
    // back to sleep.
    if (m_manualReset)
        pthread_cond_broadcast(&m_condition);
    else
        pthread_cond_signal(&m_condition);
    pthread_mutex_unlock(&m_mutex);
}

void CSignalImpl::reset() {
    pthread_mutex_lock(&m_mutex);
    m_set = false;
    pthread_mutex_unlock(&m_mutex);
}

bool CSignalImpl::isSet() {
    return wait(0);
}

bool CSignalImpl::wait(uint32_t timeout) {
    pthread_mutex_lock(&m_mutex);
    if (timeout == infiniteTimeout) {
        while (!m_set)
            pthread_cond_wait(&m_condition, &m_mutex);
    } else if (!m_set && timeout > 0) {
        const timespec deadline = deadlineAfter(timeout);
        while (!m_set) {
            if (pthread_cond_timedwait(&m_condition, &m_mutex, &deadline) == ETIMEDOUT)
                break;
        }
    }
    const bool obtained = m_set;
    if (obtained && !m_manualReset)
        m_set = false;
    pthread_mutex_unlock(&m_mutex);
    return obtained;
}

} // namespace tamu::posix
