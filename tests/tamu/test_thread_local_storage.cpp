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

TEST(ThreadLocalStorage, ThreadThatNeverWroteReadsZeroAndNull) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage storage(manager);
    storage.setValue(7);
    onNewThread([&] {
        EXPECT_EQ(storage.getValue(), 0u);
        EXPECT_EQ(storage.getObject(), nullptr);
        EXPECT_EQ(manager->getValue(1000), 0u);
    });
    EXPECT_EQ(storage.getValue(), 7u);
}

TEST(ThreadLocalStorage, WritingSlotFiveGrowsTheRecordToSixZeroedEntries) {
    P<CThreadLocalStorageManager> manager = makeManager();
    onNewThread([&] {
        manager->setValue(5, 99);
        CThreadLocalStorageManager::Record* record = manager->getRecord();
        ASSERT_EQ(record->count, 6);
        for (int32_t slot = 0; slot < 5; ++slot) {
            EXPECT_EQ(manager->getValue(slot), 0u);
            EXPECT_EQ(manager->getObject(slot), nullptr);
        }
        EXPECT_EQ(manager->getValue(5), 99u);
    });
}

TEST(ThreadLocalStorage, SlotsAreHandedOutOnceInOrder) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage first(manager);
    int32_t second;
    {
        CThreadLocalStorage temporary(manager);
        second = temporary.getSlot();
    }
    CThreadLocalStorage third(manager);
    EXPECT_EQ(first.getSlot(), 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(third.getSlot(), 2);
}

TEST(ThreadLocalStorageThreads, EachThreadSeesItsOwnValues) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage storage(manager);
    std::thread threads[4];
    bool kept[4] = {};
    for (uint32_t i = 0; i < 4; ++i) {
        threads[i] = std::thread([&, i] {
            for (int round = 0; round < 1000; ++round)
                storage.setValue(i * 1000 + round);
            kept[i] = storage.getValue() == i * 1000 + 999;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (bool k : kept)
        EXPECT_TRUE(k);
}

TEST(ThreadLocalStorage, RecycledThreadIdDoesNotSeeTheFinishedThreadsValues) {
    P<CThreadLocalStorageManager> manager = makeManager(make<CRecyclingThreadManager>());
    int destroyed = 0;
    onNewThread([&] {
        manager->setValue(0, 11);
        manager->setObject(1, make<CCounted>(&destroyed).get());
    });
    EXPECT_EQ(destroyed, 0) << "the finished thread's record is still in the list";
    onNewThread([&] {
        EXPECT_EQ(manager->getValue(0), 0u);
        manager->setValue(0, 22);
        EXPECT_EQ(destroyed, 1) << "the stale record's object must be released";
        EXPECT_EQ(manager->getValue(0), 22u);
        EXPECT_EQ(manager->getObject(1), nullptr);
    });
}

TEST(ThreadLocalStorage, ObjectsAreCountedAndReleasedByEveryWayOut) {
    P<CThreadLocalStorageManager> manager = makeManager();
    CThreadLocalStorage storage(manager);
    int destroyed = 0;
    P<CCounted> first = make<CCounted>(&destroyed);
    storage.setObject(first.get());
    EXPECT_EQ(first->getRefCount(), 2);
    storage.setObject(first.get());
    EXPECT_EQ(first->getRefCount(), 2) << "setting the same object again must not leak";
    storage.setObject(make<CCounted>(&destroyed).get());
    EXPECT_EQ(first->getRefCount(), 1);
    first = nullptr;
    EXPECT_EQ(destroyed, 1);

    // clearSlot empties the slot on every thread.
    onNewThread([&] { storage.setObject(make<CCounted>(&destroyed).get()); });
    manager->clearSlot(storage.getSlot());
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(storage.getObject(), nullptr);

    storage.setObject(make<CCounted>(&destroyed).get());
    storage.setValue(5);
    manager->removeThread(CThreadLocalStorageManager::currentThread);
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(storage.getValue(), 0u);
    storage.setValue(6);
    EXPECT_EQ(storage.getValue(), 6u) << "a removed thread gets a fresh record";

    // A slot that goes away releases what it held; so does a manager.
    {
        CThreadLocalStorage shortLived(manager);
        shortLived.setObject(make<CCounted>(&destroyed).get());
    }
    EXPECT_EQ(destroyed, 5);
    {
        P<CThreadLocalStorageManager> other = makeManager();
        other->setObject(0, make<CCounted>(&destroyed).get());
    }
    EXPECT_EQ(destroyed, 6);
}

TEST(ThreadLocalStorage, LibrarySlotIsOneProcessService) {
    P<CThreadLocalStorage> storage = getLibraryThreadLocalStorage();
    EXPECT_EQ(storage.get(), getLibraryThreadLocalStorage().get());
    storage->setValue(3);
    EXPECT_EQ(getLibraryThreadLocalStorage()->getValue(), 3u);
    storage->setValue(0);
}
