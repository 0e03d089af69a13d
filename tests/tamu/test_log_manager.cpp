#include "logTestSupport.h"

#include "tamu/CException.h"
#include "tamu/CLogManager.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return s ? stringConv::toStdString(*s) : std::string("-");
}

// Lines in call order, as "A 2 disk hello 7 9" or "A write disk hello". The vector is left
// unguarded so the thread sanitizer sees any two calls the manager lets in at once.
using Journal = std::vector<std::string>;

class CRecordingLog : public CQuietLog {
public:
    CRecordingLog(std::string name, Journal& journal)
        : m_name(std::move(name)), m_journal(journal) {}

    void write(const P<IString>& channel, const P<IString>& text) override {
        record(" write " + utf8(channel) + " " + utf8(text));
    }
    void log(int32_t level, const P<IString>& channel, const P<IString>& message, int32_t a,
             int32_t b) override {
        if (throws)
            throw std::runtime_error("listener failed");
        record(" " + std::to_string(level) + " " + utf8(channel) + " " + utf8(message) + " " +
               std::to_string(a) + " " + std::to_string(b));
    }

    bool throws = false;
    std::atomic<int> overlaps{0};

private:
    void record(const std::string& line) {
        if (m_inside.exchange(true))
            ++overlaps;
        m_journal.push_back(m_name + line);
        std::this_thread::yield();
        m_inside.store(false);
    }

    std::string m_name;
    Journal& m_journal;
    std::atomic<bool> m_inside{false};
};

class LogManager : public testing::Test {
protected:
    P<CRecordingLog> listener(const char* name) { return make<CRecordingLog>(name, journal); }

    Journal journal;
    P<ILogManager> manager = make<CLogManager>();
};

} // namespace

TEST_F(LogManager, FiltersByMinimumLevelButWriteAlwaysPasses) {
    P<CRecordingLog> a = listener("A");
    manager->addListener(str("disk"), a.get());
    manager->logAtLevel0(str("disk"), str("zero"));
    manager->log(2, str("disk"), str("raw"), 7, 9);
    manager->setLevel(3);
    manager->logAtLevel2(str("disk"), str("two"));
    manager->logException(str("disk"), CException(str("CError"), str("it broke")));
    manager->setLevel(4);
    manager->write(str("disk"), str("plain"));
    EXPECT_EQ(journal,
              (Journal{"A 2 disk raw 7 9", "A 3 disk it broke -1 -1", "A write disk plain"}));
}

TEST_F(LogManager, ChannelOrderIsFirstNewestRestThenAllChannelListeners) {
    P<CRecordingLog> a = listener("A"), b = listener("B"), c = listener("C");
    P<CRecordingLog> x = listener("X"), y = listener("Y");
    manager->addListener(str("disk"), a.get());
    manager->addListener(str("disk"), b.get());
    manager->addListener(str("disk"), c.get());
    manager->addListener(nullptr, x.get());
    manager->addListener(emptyString(), y.get());

    // A channel is found by its text, whatever the encoding of the string naming it.
    manager->logAtLevel1(str(u"disk"), str("m"));
    manager->write(str("net"), str("w"));
    EXPECT_EQ(journal,
              (Journal{"A 1 disk m -1 -1", "C 1 disk m -1 -1", "B 1 disk m -1 -1",
                       "Y 1 disk m -1 -1", "X 1 disk m -1 -1", "Y write net w", "X write net w"}));
}

TEST_F(LogManager, RemovingTheOnlyListenerRemovesTheChannel) {
    P<CRecordingLog> a = listener("A"), b = listener("B"), c = listener("C");
    manager->addListener(str("disk"), a.get());
    manager->removeListener(str("disk"), a.get());
    EXPECT_EQ(a->getRefCount(), 1) << "the manager still holds a removed listener";
    // A new list: B heads it and C goes behind it, not behind a stale head.
    manager->addListener(str("disk"), b.get());
    manager->addListener(str("disk"), c.get());
    manager->logAtLevel1(str("disk"), str("again"));
    EXPECT_EQ(journal, (Journal{"B 1 disk again -1 -1", "C 1 disk again -1 -1"}));
}

TEST_F(LogManager, AThrowingListenerStopsTheEntryAndReleasesTheLock) {
    P<CRecordingLog> a = listener("A"), all = listener("All");
    manager->addListener(str("disk"), a.get());
    manager->addListener(nullptr, all.get());
    a->throws = true;
    EXPECT_THROW(manager->logAtLevel2(str("disk"), str("lost")), std::runtime_error);
    EXPECT_TRUE(journal.empty());

    // The lock is re-entrant: only another thread shows that the failed call let go of it.
    a->throws = false;
    std::future<void> other =
        std::async(std::launch::async, [&] { manager->logAtLevel2(str("disk"), str("next")); });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "the log manager's lock is still held";
    EXPECT_EQ(journal, (Journal{"A 2 disk next -1 -1", "All 2 disk next -1 -1"}));
}

TEST_F(LogManager, ConcurrentThreadsLoggingToOneListenerNeverOverlap) {
    constexpr int writers = 4, entries = 100;
    P<CRecordingLog> listener = this->listener("L");
    manager->addListener(str("disk"), listener.get());

    std::atomic<bool> stop{false};
    // Meanwhile another thread keeps changing the channel's list around the listener.
    std::thread churn([&] {
        Journal ignored;
        while (!stop.load()) {
            P<CRecordingLog> extra = make<CRecordingLog>("extra", ignored);
            manager->addListener(str("disk"), extra.get());
            manager->removeListener(str("disk"), extra.get());
        }
    });
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&, w] {
            for (int i = 0; i < entries; ++i)
                manager->log(1, str("disk"), str("e"), w, i);
        });
    for (std::thread& t : threads)
        t.join();
    stop.store(true);
    churn.join();

    EXPECT_EQ(listener->overlaps.load(), 0);
    EXPECT_EQ(journal.size(), size_t{writers * entries});
}
