#include "tamu/posix/CThread.h"

#include "tamu/platformErrors.h"

#include <exception>
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
    pthread_mutex_lock(&thread->m_idLock);
    while (thread->m_threadId == 0)
        pthread_cond_wait(&thread->m_idKnown, &thread->m_idLock);
    pthread_mutex_unlock(&thread->m_idLock);
    return thread;
}

void* CThread::threadMain(void* argument) {
    auto* self = static_cast<CThread*>(argument);
    pthread_mutex_lock(&self->m_idLock);
    self->m_threadId = static_cast<uint64_t>(gettid());
    pthread_cond_signal(&self->m_idKnown);
    pthread_mutex_unlock(&self->m_idLock);
    try {
        self->m_work->run();
    } catch (const std::exception& error) {
        self->m_failed = true;
        self->m_failure = error.what();
    } catch (...) {
        self->m_failed = true;
        self->m_failure = "unknown exception";
    }
    self->m_work = nullptr;
    self->release();
    return nullptr;
}

CThread::~CThread() {
    pthread_mutex_destroy(&m_joinLock);
    pthread_cond_destroy(&m_idKnown);
    pthread_mutex_destroy(&m_idLock);
    // Never joined: let the system reclaim the thread when it ends. This may run on the thread
    // itself when it held the last reference.
    if (!m_joined)
        pthread_detach(m_handle);
}

void CThread::join() {
    pthread_mutex_lock(&m_joinLock);
    const bool first = !m_joined;
    if (first) {
        pthread_join(m_handle, nullptr);
        m_joined = true;
    }
    pthread_mutex_unlock(&m_joinLock);
    if (first && m_failed)
        throwException("Thread work failed: " + m_failure);
}

uint64_t CThread::getThreadId() const {
    // Written before start() returned the object, never again.
    return m_threadId;
}

} // namespace tamu::posix
