#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/platformServices.h"
#include "tamu/posix/CGlobalMutexImpl.h"
#include "tamu/posix/CMutexFactory.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tamu;

namespace {

// Whether another thread can take the mutex right now (it gives it back at once).
bool otherThreadCanLock(IMutex& mutex, uint32_t timeout = 0) {
    bool locked = false;
    std::thread([&] {
        locked = mutex.tryLock(timeout);
        if (locked)
            mutex.unlock();
    }).join();
    return locked;
}

// A name no other test run uses at the same time.
std::string uniqueName(const char* purpose) {
    return std::string("tamu-test-") + purpose + "-" + std::to_string(getpid());
}

} // namespace

TEST(MutexThreads, ReentrantLockIsFreeOnlyAfterAsManyUnlocks) {
    P<IMutex> mutex = getMutexFactory()->createMutex();
    mutex->lock();
    mutex->lock();
    EXPECT_FALSE(otherThreadCanLock(*mutex));
    mutex->unlock();
    EXPECT_FALSE(otherThreadCanLock(*mutex));
    mutex->unlock();
    EXPECT_TRUE(otherThreadCanLock(*mutex));
}

TEST(MutexThreads, TryLockOnAHeldLocalMutexFailsAtOnceWhateverTheTimeout) {
    P<IMutex> mutex = getMutexFactory()->createMutex();
    CMutexLock guard(*mutex);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(otherThreadCanLock(*mutex, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(mutex->tryLock(0)) << "the owner itself may always take it again";
    mutex->unlock();
}

TEST(MutexThreads, NestedLocksExcludeOtherThreads) {
    P<IMutex> mutex = getMutexFactory()->createMutex();
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                CMutexLock outer(*mutex);
                CMutexLock inner(*mutex);
                counter = counter + 1;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 80000);
}

TEST(GlobalMutexThreads, ThreadsSharingOneObjectExcludeEachOther) {
    P<IMutex> mutex = getMutexFactory()->createGlobalMutex(str("shared-object-test"));
    mutex->lock();
    mutex->lock();
    EXPECT_FALSE(otherThreadCanLock(*mutex, 20));
    mutex->unlock();
    EXPECT_FALSE(otherThreadCanLock(*mutex, 20));
    mutex->unlock();
    EXPECT_TRUE(otherThreadCanLock(*mutex, 1000));
}

TEST(GlobalMutex, TwoObjectsOfOneNameExcludeEachOther) {
    posix::CMutexFactory factory;
    const std::string name = uniqueName("objects");
    P<IMutex> first = factory.createGlobalMutex(name);
    P<IMutex> second = factory.createGlobalMutex(name);
    P<IMutex> unrelated = factory.createGlobalMutex(name + "-other");
    first->lock();
    EXPECT_FALSE(second->tryLock(30));
    EXPECT_TRUE(unrelated->tryLock(0));
    unrelated->unlock();
    first->unlock();
    EXPECT_TRUE(second->tryLock(0));
    second->unlock();
}

TEST(GlobalMutex, LockHeldByAnotherProcessIsRefusedAndTakenOverWhenItDies) {
    const std::string name = uniqueName("abandoned");
    int locked[2];
    int release[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Takes the lock and dies without giving it back.
        close(locked[0]);
        close(release[1]);
        posix::CMutexFactory factory;
        P<IMutex> mutex = factory.createGlobalMutex(name);
        mutex->lock();
        char byte = 1;
        (void)!write(locked[1], &byte, 1);
        (void)!read(release[0], &byte, 1);
        _exit(0);
    }
    close(locked[1]);
    close(release[0]);
    char byte = 0;
    ASSERT_EQ(read(locked[0], &byte, 1), 1);

    posix::CMutexFactory factory;
    P<IMutex> mutex = factory.createGlobalMutex(name);
    EXPECT_FALSE(mutex->tryLock(50));

    close(release[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    mutex->lock();
    EXPECT_FALSE(factory.createGlobalMutex(name)->tryLock(0));
    mutex->unlock();
    close(locked[0]);
}

TEST(GlobalMutex, NameThatCannotBeALockFileFailsWithTheName) {
    const std::string name(300, 'x');
    try {
        getMutexFactory()->createGlobalMutex(stringConv::fromStd(name));
        FAIL() << "a 300-character lock file name was accepted";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("Error createing global mutex " + name),
                  std::string::npos)
            << error.what();
    }
}

TEST(GlobalMutex, LockFileNameCannotLeaveItsDirectory) {
    const std::string path = posix::CGlobalMutexImpl::getLockFilePath("../a/b");
    EXPECT_EQ(path.find('/', path.rfind("tamu.mutex.")), std::string::npos) << path;
}
