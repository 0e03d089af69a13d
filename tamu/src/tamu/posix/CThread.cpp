#include "tamu/posix/CThread.h"

#include "tamu/platformErrors.h"

#include <unistd.h>
#include <utility>

namespace tamu::posix {

CThread::CThread(const P<IRunnable>& work) : m_work(work) {}

P<CThread> CThread::start(const P<IRunnable>& work) {
    P<CThread> thread = adopt(new CThread(work));
    // The running thread's own reference, dropped when the work ends.
    thread->addRef();
    if (int error =
            pthread_create(&thread->m_handle, nullptr, &CThread::threadMain, thread.get())) {
        thread->m_joined = true; // nothing to detach
        thread->release();
        throwSystemError("Error creating thread (%ERRORDESC%).", error);
    }
    // Callers may ask for the id at once; the kernel id is only known inside the thread.
    thread->m_threadId.wait(0, std::memory_order_acquire);
    return thread;
}

void* CThread::threadMain(void* argument) {
    auto* self = static_cast<CThread*>(argument);
    self->m_threadId.store(static_cast<uint64_t>(gettid()), std::memory_order_release);
    self->m_threadId.notify_all();
    try {
        self->m_work->run();
    } catch (...) {
        self->m_failure = std::current_exception();
    }
    self->m_work = nullptr;
    self->release();
    return nullptr;
}

CThread::~CThread() {
    // Never joined: let the system reclaim the thread when it ends. This may run on the thread
    // itself when it held the last reference.
    if (!m_joined)
        pthread_detach(m_handle);
}

void CThread::join() {
    std::exception_ptr failure;
    {
        std::lock_guard<std::mutex> guard(m_joinLock);
        if (m_joined)
            return;
        pthread_join(m_handle, nullptr);
        m_joined = true;
        failure = std::exchange(m_failure, nullptr);
    }
    if (failure)
        std::rethrow_exception(failure);
}

uint64_t CThread::getThreadId() const {
    return m_threadId.load(std::memory_order_acquire);
}

} // namespace tamu::posix
