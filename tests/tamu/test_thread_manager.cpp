#include "tamu/CObject.h"
#include "tamu/ISignal.h"
#include "tamu/ISignalFactory.h"
#include "tamu/IThread.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformServices.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace tamu;

namespace {

// Notes where it ran; may first wait for `start` and afterwards set `done`, or just fail.
class CWork : public CObject, public virtual IRunnable {
public:
    explicit CWork(bool fails = false, P<ISignal> start = nullptr, P<ISignal> done = nullptr)
        : m_fails(fails), m_start(start), m_done(done) {}
    void run() override {
        if (m_fails)
            throw std::runtime_error("work failed");
        if (m_start && !m_start->wait(10000))
            return;
        threadId = getThreadManager()->getCurrentThreadId();
        wasMain = getThreadManager()->isMainThread();
        if (m_done)
            m_done->set();
    }
    uint64_t threadId = 0;
    bool wasMain = true;

private:
    bool m_fails;
    P<ISignal> m_start, m_done;
};

} // namespace

TEST(ThreadManager, CreatedThreadRunsTheWorkUnderItsOwnId) {
    P<IThreadManager> threads = getThreadManager();
    EXPECT_TRUE(threads->isMainThread());
    P<CWork> work = make<CWork>();
    P<IThread> thread = threads->createThread(work);
    const uint64_t reported = thread->getThreadId();
    thread->join();
    EXPECT_EQ(work->threadId, reported);
    EXPECT_NE(reported, threads->getCurrentThreadId());
    EXPECT_FALSE(work->wasMain);
}

TEST(ThreadManager, JoinRethrowsWhatTheWorkThrewOnce) {
    P<IThread> thread = getThreadManager()->createThread(make<CWork>(true));
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
    getThreadManager()->createThread(make<CWork>(false, start, done));
    start->set();
    EXPECT_TRUE(done->wait(10000));
}
