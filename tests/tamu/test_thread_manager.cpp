#include "tamu/CObject.h"
#include "tamu/ISignal.h"
#include "tamu/ISignalFactory.h"
#include "tamu/IThread.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformServices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

using namespace tamu;
using namespace std::chrono_literals;

namespace {

class CRecordingWork : public CObject, public virtual IRunnable {
public:
    void run() override {
        threadId = getThreadManager()->getCurrentThreadId();
        wasMain = getThreadManager()->isMainThread();
    }
    uint64_t threadId = 0;
    bool wasMain = true;
};

class CFailingWork : public CObject, public virtual IRunnable {
public:
    void run() override { throw std::runtime_error("work failed"); }
};

// Waits for `start`, then sets `done`.
class CGatedWork : public CObject, public virtual IRunnable {
public:
    CGatedWork(P<ISignal> start, P<ISignal> done) : m_start(start), m_done(done) {}
    void run() override {
        if (m_start->wait(10000))
            m_done->set();
    }

private:
    P<ISignal> m_start;
    P<ISignal> m_done;
};

} // namespace

TEST(ThreadManager, IdentifiesTheCallingThread) {
    P<IThreadManager> threads = getThreadManager();
    const uint64_t mine = threads->getCurrentThreadId();
    EXPECT_EQ(threads->getCurrentThreadId(), mine);
    EXPECT_TRUE(threads->isMainThread());
    uint64_t other = 0;
    bool otherIsMain = true;
    std::thread([&] {
        other = threads->getCurrentThreadId();
        otherIsMain = threads->isMainThread();
    }).join();
    EXPECT_NE(other, mine);
    EXPECT_NE(other, 0u);
    EXPECT_FALSE(otherIsMain);
}

TEST(ThreadManager, SleepLastsAtLeastTheDuration) {
    const auto start = std::chrono::steady_clock::now();
    getThreadManager()->sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST(ThreadManager, CreatedThreadRunsTheWorkUnderItsOwnId) {
    P<CRecordingWork> work = make<CRecordingWork>();
    P<IThread> thread = getThreadManager()->createThread(work);
    const uint64_t reported = thread->getThreadId();
    thread->join();
    EXPECT_EQ(work->threadId, reported);
    EXPECT_NE(reported, getThreadManager()->getCurrentThreadId());
    EXPECT_FALSE(work->wasMain);
}

TEST(ThreadManager, JoinRethrowsWhatTheWorkThrewOnce) {
    P<IThread> thread = getThreadManager()->createThread(make<CFailingWork>());
    try {
        thread->join();
        ADD_FAILURE() << "join kept quiet about the failed work";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("work failed"), std::string::npos);
    }
    EXPECT_NO_THROW(thread->join());
}

TEST(ThreadManager, ThreadFinishesItsWorkAfterTheLastOutsideReferenceIsGone) {
    P<ISignal> start = getSignalFactory()->createSignal(true, false);
    P<ISignal> done = getSignalFactory()->createSignal(true, false);
    getThreadManager()->createThread(make<CGatedWork>(start, done));
    start->set();
    EXPECT_TRUE(done->wait(10000));
}
