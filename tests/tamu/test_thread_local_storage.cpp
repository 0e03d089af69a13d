#include "tamu/CError.h"
#include "tamu/CThreadLocalStorage.h"
#include "tamu/CThreadLocalStorageManager.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/ISimpleThreadLocalStorage.h"
#include "tamu/ISimpleThreadLocalStorageFactory.h"
#include "tamu/IThread.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformServices.h"
#include "tamu/str.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

using namespace tamu;

namespace {

// Reports one identifier for every thread, as a system that recycled a finished thread's
// identifier would.
class CRecyclingThreadManager : public CObject, public virtual IThreadManager {
public:
    P<IThread> createThread(const P<IRunnable>&) override { return nullptr; }
    void yield(bool) override {}
    void sleep(uint32_t) override {}
    uint64_t getCurrentThreadId() override { return 4242; }
    bool isMainThread() override { return false; }
};

class CCounted : public CObject {
public:
    explicit CCounted(int* destroyed) : m_destroyed(destroyed) {}
    ~CCounted() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

// Counts the objects alive, from any thread.
class CLive : public CObject {
public:
    explicit CLive(std::atomic<int>& live) : m_live(live) { ++m_live; }
    ~CLive() override { --m_live; }

private:
    std::atomic<int>& m_live;
};

P<CThreadLocalStorageManager> makeManager(P<IThreadManager> threads = getThreadManager()) {
    return make<CThreadLocalStorageManager>(*getSimpleThreadLocalStorageFactory(),
                                            getMutexFactory()->createMutex(), threads);
}

void onNewThread(const std::function<void()>& body) {
    std::thread(body).join();
}

} // namespace

TEST(ThreadLocalStorage, UnwrittenSlotsReadZeroAndNull) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage storage(manager);
    storage.setValue(7);
    onNewThread([&] {
        EXPECT_EQ(manager->getValue(1000), 0u);
        // Growing the record to reach slot 5 leaves the slots before it empty.
        manager->setValue(5, 99);
        for (int32_t slot = 0; slot < 5; ++slot) {
            EXPECT_EQ(manager->getValue(slot), 0u);
            EXPECT_EQ(manager->getObject(slot), nullptr);
        }
    });
    EXPECT_EQ(storage.getValue(), 7u);
}

TEST(ThreadLocalStorageThreads, EachThreadSeesItsOwnValues) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage storage(manager);
    std::atomic<int> kept{0};
    auto work = [&](uint32_t base) {
        for (uint32_t round = 0; round < 1000; ++round)
            storage.setValue(base + round);
        kept += storage.getValue() == base + 999;
    };
    std::thread a(work, 1000), b(work, 2000), c(work, 3000);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(kept.load(), 3);
}

TEST(ThreadLocalStorage, RecycledThreadIdDoesNotSeeTheFinishedThreadsValues) {
    P<CThreadLocalStorageManager> manager = makeManager(make<CRecyclingThreadManager>());
    int destroyed = 0;
    onNewThread([&] {
        manager->setValue(0, 11);
        manager->setObject(1, make<CCounted>(&destroyed).get());
    });
    onNewThread([&] {
        EXPECT_EQ(manager->getValue(0), 0u);
        manager->setValue(0, 22);
        EXPECT_EQ(destroyed, 1) << "the stale record's object must be released";
        EXPECT_EQ(manager->getObject(1), nullptr);
    });
}

TEST(ThreadLocalStorage, ObjectsAreCountedAndReleasedByEveryWayOut) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage storage(manager);
    int destroyed = 0;
    P<CCounted> first = make<CCounted>(&destroyed);
    storage.setObject(first.get());
    storage.setObject(first.get());
    EXPECT_EQ(first->getRefCount(), 2) << "setting the same object again must not leak";
    first = nullptr;

    // clearSlot empties the slot on every thread, one that still runs included.
    std::atomic<int> stage{0};
    std::thread holder([&] {
        storage.setObject(make<CCounted>(&destroyed).get());
        stage = 1;
        while (stage.load() != 2)
            std::this_thread::yield();
    });
    while (stage.load() != 1)
        std::this_thread::yield();
    manager->clearSlot(storage.getSlot());
    EXPECT_EQ(destroyed, 2);
    stage = 2;
    holder.join();

    storage.setObject(make<CCounted>(&destroyed).get());
    manager->removeThread(CThreadLocalStorageManager::currentThread);
    EXPECT_EQ(destroyed, 3);
    // A manager that goes away releases what it held.
    makeManager()->setObject(0, make<CCounted>(&destroyed).get());
    EXPECT_EQ(destroyed, 4);
}

// A thread's record goes with the thread: many short threads leave nothing behind, in a
// manager of their own and in the process's one (which what() uses for its text).
TEST(ThreadLocalStorageThreads, EndedThreadsReleaseTheirRecords) {
    std::atomic<int> live{0};
    P<CThreadLocalStorageManager> own = makeManager();
    CThreadLocalStorage mine(own);
    CThreadLocalStorage shared(getThreadLocalStorageManager());
    const CError error(str(u"message \u00E9 in UTF-16"), nullptr);
    for (int round = 0; round < 100; ++round) {
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                mine.setObject(make<CLive>(live).get());
                shared.setObject(make<CLive>(live).get());
                own->setObject(40, make<CLive>(live).get());
                EXPECT_STRNE(error.what(), "");
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        ASSERT_EQ(live.load(), 0) << "round " << round;
    }
}

// A manager that goes before a thread that wrote to it: the thread ends without touching it.
TEST(ThreadLocalStorageThreads, AManagerMayGoBeforeItsThreads) {
    std::atomic<int> live{0};
    std::atomic<int> stage{0};
    P<CThreadLocalStorageManager> manager = makeManager();
    std::thread writer([&] {
        manager->setObject(0, make<CLive>(live).get());
        stage = 1;
        while (stage.load() != 2)
            std::this_thread::yield();
    });
    while (stage.load() != 1)
        std::this_thread::yield();
    manager = nullptr;
    EXPECT_EQ(live.load(), 0);
    stage = 2;
    writer.join();
}
