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
#include <cstdio>
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

// The lock files of the names this run made, removed when the run ends (by the process that
// made them, not by a forked child on its way out), so that runs leave no files behind.
class CLockFileCleanup {
public:
    ~CLockFileCleanup() {
        if (getpid() != m_owner)
            return;
        for (const std::string& name : m_names)
            for (const char* alias : {"", "_y"}) // the alias test's second name
                std::remove(tamu::posix::CGlobalMutexImpl::getLockFilePath(name + alias).c_str());
    }
    void add(const std::string& name) { m_names.push_back(name); }

private:
    pid_t m_owner = getpid();
    std::vector<std::string> m_names;
};

// A name no other test run uses at the same time.
std::string uniqueName(const char* purpose) {
    static CLockFileCleanup cleanup;
    std::string name = std::string("tamu-test-") + purpose + "-" + std::to_string(getpid());
    cleanup.add(name);
    return name;
}

} // namespace

TEST(MutexThreads, ReentrantLockIsFreeOnlyAfterAsManyUnlocks) {
    P<IMutex> local = getMutexFactory()->createMutex();
    P<IMutex> global =
        getMutexFactory()->createGlobalMutex(stringConv::fromStd(uniqueName("shared-object")));
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

TEST(GlobalMutexThreads, ObjectsOfOneNameShareOwnershipWithinTheProcess) {
    const std::string name = uniqueName("one-record");
    posix::CMutexFactory factory;
    P<IMutex> a = factory.createGlobalMutex(name);
    P<IMutex> b = factory.createGlobalMutex(name);
    P<IMutex> c = factory.createGlobalMutex(name);
    a->lock();
    ASSERT_TRUE(b->tryLock(200)) << "the owning thread is refused through a second object";
    b->lock();
    // Ownership belongs to the thread: no object of the name lets another thread in.
    for (IMutex* other : {a.get(), b.get(), c.get()})
        EXPECT_FALSE(otherThreadCanLock(*other, 20));

    // Another process waits as long as any level is held, whichever object gave it.
    auto childCanLock = [&] {
        const pid_t child = fork();
        if (child == 0) {
            posix::CMutexFactory own;
            P<IMutex> mutex = own.createGlobalMutex(name);
            _exit(mutex->tryLock(50) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    EXPECT_FALSE(childCanLock());
    a->unlock();
    b->unlock();
    EXPECT_FALSE(otherThreadCanLock(*c, 20));
    EXPECT_FALSE(childCanLock());
    b->unlock();
    EXPECT_TRUE(otherThreadCanLock(*c, 1000));
    EXPECT_TRUE(childCanLock());

    // The record outlives the objects that made it only while one of them is left.
    a = nullptr;
    b = nullptr;
    EXPECT_TRUE(otherThreadCanLock(*c, 1000));
    P<IMutex> d = factory.createGlobalMutex(name);
    c->lock();
    EXPECT_TRUE(d->tryLock(0));
    d->unlock();
    c->unlock();
}

TEST(GlobalMutex, NamesSharingALockFileShareTheRecord) {
    // "x/y" and "x_y" name one lock file; the owner must not deadlock against itself.
    const std::string base = uniqueName("alias");
    posix::CMutexFactory factory;
    P<IMutex> slash = factory.createGlobalMutex(base + "/y");
    P<IMutex> underscore = factory.createGlobalMutex(base + "_y");
    slash->lock();
    EXPECT_TRUE(underscore->tryLock(100));
    underscore->unlock();
    slash->unlock();
}
