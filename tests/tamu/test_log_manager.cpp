#include "logTestSupport.h"

#include "tamu/CException.h"
#include "tamu/CLogManager.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
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
    CRecordingLog(std::string name, Journal& journal, bool* destroyed = nullptr)
        : m_name(std::move(name)), m_journal(journal), m_destroyed(destroyed) {}
    ~CRecordingLog() override {
        if (m_destroyed)
            *m_destroyed = true;
    }

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
    bool* m_destroyed;
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
    EXPECT_EQ(manager->getLevel(), 1);
    manager->logAtLevel0(str("disk"), str("zero"));
    manager->logAtLevel1(str("disk"), str("one"));
    manager->logAtLevel3(str("disk"), str("three"));
    manager->log(2, str("disk"), str("raw"), 7, 9);
    EXPECT_EQ(journal, (Journal{"A 1 disk one -1 -1", "A 3 disk three -1 -1", "A 2 disk raw 7 9"}));

    journal.clear();
    manager->setLevel(3);
    manager->logAtLevel2(str("disk"), str("two"));
    manager->logException(str("disk"), CException(str("CError"), str("it broke")));
    manager->write(str("disk"), str("plain"));
    manager->setLevel(4);
    manager->logException(str("disk"), CException(str("CError"), str("unheard")));
    manager->write(str("disk"), str("still"));
    EXPECT_EQ(journal,
              (Journal{"A 3 disk it broke -1 -1", "A write disk plain", "A write disk still"}));
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

TEST_F(LogManager, RemovalKeepsOrderDropsEmptiedChannelsAndReleases) {
    bool bGone = false;
    P<CRecordingLog> a = listener("A"), c = listener("C"), d = listener("D");
    P<ILog> bOwner = make<CRecordingLog>("B", journal, &bGone);
    ILog* b = bOwner.get();
    manager->addListener(str("disk"), a.get());
    manager->addListener(str("disk"), b);
    manager->addListener(str("disk"), c.get());
    bOwner = nullptr;                              // the manager holds B's only reference
    manager->removeListener(str("disk"), d.get()); // unknown listeners and channels: ignored
    manager->removeListener(str("net"), a.get());

    // The head goes: its successor heads the list, and a newcomer goes right behind it.
    manager->removeListener(str("disk"), a.get());
    manager->addListener(str("disk"), d.get());
    manager->logAtLevel1(str("disk"), str("m"));
    EXPECT_EQ(journal, (Journal{"C 1 disk m -1 -1", "D 1 disk m -1 -1", "B 1 disk m -1 -1"}));

    // Emptying the channel removes it; the next listener starts a new list.
    journal.clear();
    manager->removeListener(str("disk"), b);
    EXPECT_TRUE(bGone);
    manager->removeListener(str("disk"), c.get());
    manager->removeListener(str("disk"), d.get());
    manager->logAtLevel1(str("disk"), str("gone"));
    manager->addListener(str("disk"), d.get());
    manager->addListener(str("disk"), a.get());
    manager->logAtLevel1(str("disk"), str("again"));
    EXPECT_EQ(journal, (Journal{"D 1 disk again -1 -1", "A 1 disk again -1 -1"}));
}

TEST_F(LogManager, AThrowingListenerStopsTheEntryAndReleasesTheLock) {
    P<CRecordingLog> a = listener("A"), b = listener("B"), all = listener("All");
    manager->addListener(str("disk"), a.get());
    manager->addListener(str("disk"), b.get());
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
    EXPECT_EQ(journal,
              (Journal{"A 2 disk next -1 -1", "B 2 disk next -1 -1", "All 2 disk next -1 -1"}));
}

TEST(LogManagerConcurrency, ThreadsLoggingToOneListenerNeverOverlap) {
    constexpr int writers = 4, entries = 100;
    Journal journal;
    P<ILogManager> manager = make<CLogManager>();
    P<CRecordingLog> listener = make<CRecordingLog>("L", journal);
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
    ASSERT_EQ(journal.size(), size_t{writers * entries});
    std::vector<int> next(writers, 0); // each writer's entries arrive in its own order
    for (const std::string& line : journal) {
        int w = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "L 1 disk e %d %d", &w, &i), 2) << line;
        EXPECT_EQ(i, next[static_cast<size_t>(w)]++) << line;
    }
}

TEST(ProcessLogManager, IsOneObjectAndHearsTheMemoryManagerClearItsCache) {
    P<ILogManager> manager = getLogManager();
    EXPECT_EQ(manager.get(), getLogManager().get());
    Journal journal;
    P<CRecordingLog> listener = make<CRecordingLog>("M", journal);
    manager->addListener(str("CMemoryManager"), listener.get());
    {
        P<CMemoryManager> memory = make<CMemoryManager>(10);
        memory->clear(); // nothing cached: nothing worth a line
        memory->allocate(100);
        memory->allocate(3);
        memory->allocate(3); // the first 3-byte block came back and went out again
        memory->clear();
        memory->allocate(40); // still cached when the manager dies: the destructor is quiet
    }
    manager->removeListener(str("CMemoryManager"), listener.get());
    EXPECT_EQ(journal, (Journal{"M 1 CMemoryManager CMemoryManager: cleared the cache "
                                "(blocks: 2, bytes: 132) -1 -1"}));
}
