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

TEST(Signal, AutoResetSignalIsSetExactlyOnce) {
    P<ISignal> signal = makeSignal(false, true);
    EXPECT_TRUE(signal->isSet());
    EXPECT_FALSE(signal->isSet());
    signal->set();
    EXPECT_TRUE(signal->wait(0));
    EXPECT_FALSE(signal->wait(0));
}

TEST(Signal, ManualResetSignalStaysSetUntilReset) {
    P<ISignal> signal = makeSignal(true, false);
    EXPECT_FALSE(signal->isSet());
    signal->set();
    EXPECT_TRUE(signal->isSet());
    EXPECT_TRUE(signal->wait(10));
    EXPECT_TRUE(signal->isSet());
    signal->reset();
    EXPECT_FALSE(signal->isSet());
}

TEST(Signal, WaitOnAnUnsetSignalLastsTheTimeout) {
    P<ISignal> signal = makeSignal(true, false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(signal->wait(40));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 39ms);
    EXPECT_LT(waited, 2s);
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

TEST(SignalThreads, ManualResetSignalReleasesEveryWaiter) {
    P<ISignal> signal = makeSignal(true, false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (signal->wait(10000))
                ++released;
        });
    }
    signal->set();
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(released.load(), 3);
    EXPECT_TRUE(signal->isSet());
}

TEST(SignalThreads, TimedWaiterWakesWhenSetFromAnotherThread) {
    P<ISignal> signal = makeSignal(false, false);
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        signal->set();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(signal->wait(10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    setter.join();
}
