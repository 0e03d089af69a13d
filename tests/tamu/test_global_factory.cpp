#include "tamu/CGlobalObjFactory.h"
#include "tamu/IThreadManager.h"
#include "tamu/platformServices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;
using namespace std::chrono_literals;

namespace {

// A service that notes its destruction.
class CLoggedService : public CObject {
public:
    CLoggedService(std::string name, std::vector<std::string>* log)
        : m_name(std::move(name)), m_log(log) {}
    ~CLoggedService() override { m_log->push_back(m_name); }

private:
    std::string m_name;
    std::vector<std::string>* m_log;
};

} // namespace

TEST(GlobalObjFactory, DestroysServicesLastCreatedFirstNestedOnesAfterTheirUsers) {
    std::vector<std::string> log;
    {
        P<CGlobalObjFactory> factory = make<CGlobalObjFactory>();
        static int keyA, keyB, keyC;
        // A's creation asks for B, so B is created inside it and counts as created first: a
        // service can still use those it asked for in its destructor.
        factory->getObject<CLoggedService>(&keyA, [&] {
            factory->getObject<CLoggedService>(&keyB,
                                               [&] { return make<CLoggedService>("B", &log); });
            return make<CLoggedService>("A", &log);
        });
        factory->getObject<CLoggedService>(&keyC, [&] { return make<CLoggedService>("C", &log); });
        EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"C", "A", "B"}));
}

TEST(GlobalObjFactory, FailedCreationRegistersNothingAndFreesTheCreationLock) {
    P<CGlobalObjFactory> factory = make<CGlobalObjFactory>();
    static int failing, other;
    EXPECT_THROW(factory->getObject<CObject>(
                     &failing, []() -> P<CObject> { throw std::runtime_error("no"); }),
                 std::runtime_error);
    // Another thread would wait forever on a creation lock left held.
    auto elsewhere = std::async(std::launch::async, [&] {
        return factory->getObject<CObject>(&other, [] { return make<CObject>(); })->get();
    });
    ASSERT_EQ(elsewhere.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(*factory->getObject<CObject>(&failing, [] { return make<CObject>(); }))
        << "a failed creation must be tried again";
}

TEST(GlobalObjFactoryThreads, TwoThreadsAskingAtOnceCreateTheServiceOnce) {
    P<CGlobalObjFactory> factory = make<CGlobalObjFactory>();
    static int key;
    std::atomic<int> created{0};
    std::atomic<bool> creating{false};
    auto create = [&] {
        ++created;
        creating = true;
        // Keep the creation open long enough for the other thread to ask too.
        std::this_thread::sleep_for(50ms);
        return make<CObject>();
    };
    CObject *first = nullptr, *second = nullptr;
    std::thread creator([&] { first = factory->getObject<CObject>(&key, create)->get(); });
    while (!creating)
        std::this_thread::yield();
    std::thread latecomer([&] { second = factory->getObject<CObject>(&key, create)->get(); });
    creator.join();
    latecomer.join();
    EXPECT_EQ(created.load(), 1);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second);
}

namespace {

void useFactoryAfterUnload() {
    CGlobalObjFactory::instance();
}

} // namespace

TEST(GlobalObjFactoryDeathTest, UseAfterUnloadStopsTheProcessWithAMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fresh process runs this: the exit handler is registered before the factory exists, so
    // it runs after the factory's clean-up.
    EXPECT_DEATH(
        {
            std::atexit(&useFactoryAfterUnload);
            getThreadManager();
            std::exit(0);
        },
        "global object factory was used .*after it was destroyed");
}
