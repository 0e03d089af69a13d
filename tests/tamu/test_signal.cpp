#include "tamu/ISignal.h"
#include "tamu/ISignalFactory.h"
#include "tamu/platformServices.h"
#include "tamu/waitTimeout.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace tamu;
using namespace std::chrono_literals;

namespace {

P<ISignal> makeSignal(bool manualReset, bool initiallySet) {
    return getSignalFactory()->createSignal(manualReset, initiallySet);
}

// Polls until `count` reaches `expected` or a generous deadline passes.
bool reaches(const std::atomic<int>& count, int expected) {
    for (int i = 0; i < 2000 && count.load() < expected; ++i)
        std::this_thread::sleep_for(1ms);
    return count.load() == expected;
}

} // namespace

TEST(SignalThreads, AutoResetIsConsumedManualResetReleasesAllUntilReset) {
    P<ISignal> automatic = makeSignal(false, true);
    EXPECT_TRUE(automatic->isSet());
    EXPECT_FALSE(automatic->isSet());
    automatic->set();
    EXPECT_TRUE(automatic->wait(0));
    EXPECT_FALSE(automatic->wait(0));

    // A manual-reset signal releases every waiter, timed ones included.
    P<ISignal> manual = makeSignal(true, false);
    std::atomic<int> released{0};
    std::thread a([&] { released += manual->wait(10000); }),
        b([&] { released += manual->wait(10000); });
    manual->set();
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 2);
    manual->reset();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(manual->wait(40));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 39ms);
}

TEST(SignalThreads, EachSetOfAnAutoResetSignalReleasesOneWaiter) {
    P<ISignal> signal = makeSignal(false, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (signal->wait(infiniteTimeout))
                ++released;
        });
    }
    for (int expected = 1; expected <= 3; ++expected) {
        signal->set();
        EXPECT_TRUE(reaches(released, expected));
        // Give a wrongly woken second waiter the time to show up.
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(released.load(), expected);
    }
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_FALSE(signal->isSet()) << "the last release must have consumed the signal";
}
