#include "tamu/IMutex.h"
#include "tamu/IMutexFactory.h"
#include "tamu/platformServices.h"
#include "tamu/posix/CGlobalMutexImpl.h"
#include "tamu/posix/CMutexFactory.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
    P<IMutex> local = getMutexFactory()->createMutex();
    P<IMutex> global = getMutexFactory()->createGlobalMutex(str("shared-object-test"));
    for (IMutex* mutex : {local.get(), global.get()}) {
        mutex->lock();
        mutex->lock();
        EXPECT_FALSE(otherThreadCanLock(*mutex, 20));
        mutex->unlock();
        EXPECT_FALSE(otherThreadCanLock(*mutex, 20));
        mutex->unlock();
        EXPECT_TRUE(otherThreadCanLock(*mutex, 1000));
    }
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

TEST(GlobalMutex, LockHeldByAnotherProcessIsRefusedAndTakenOverWhenItDies) {
    const std::string name = uniqueName("abandoned");
    int locked[2];
    ASSERT_EQ(pipe(locked), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Takes the lock and is killed without giving it back.
        posix::CMutexFactory factory;
        P<IMutex> held = factory.createGlobalMutex(name);
        held->lock();
        (void)!write(locked[1], "1", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(locked[0], &byte, 1), 1);
    posix::CMutexFactory factory;
    P<IMutex> mutex = factory.createGlobalMutex(name);
    EXPECT_FALSE(mutex->tryLock(50));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_TRUE(mutex->tryLock(0));
    mutex->unlock();
    close(locked[0]);
    close(locked[1]);
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
