#include "tamu/CThreadLocalStorage.h"
#include "tamu/CThreadLocalStorageManager.h"
#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/ISimpleThreadLocalStorage.h"
#include "tamu/ISimpleThreadLocalStorageFactory.h"
#include "tamu/IThread.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformServices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

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

P<CThreadLocalStorageManager> makeManager(P<IThreadManager> threads = getThreadManager()) {
    return make<CThreadLocalStorageManager>(getSimpleThreadLocalStorageFactory()->create(),
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

    // clearSlot empties the slot on every thread.
    onNewThread([&] { storage.setObject(make<CCounted>(&destroyed).get()); });
    manager->clearSlot(storage.getSlot());
    EXPECT_EQ(destroyed, 2);

    storage.setObject(make<CCounted>(&destroyed).get());
    manager->removeThread(CThreadLocalStorageManager::currentThread);
    EXPECT_EQ(destroyed, 3);
    // A manager that goes away releases what it held.
    makeManager()->setObject(0, make<CCounted>(&destroyed).get());
    EXPECT_EQ(destroyed, 4);
}
