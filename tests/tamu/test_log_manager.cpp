#include "tamu/CException.h"
#include "tamu/CLogManager.h"
#include "tamu/CMemoryManager.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return s ? stringConv::toStdString(*s) : std::string("<null>");
}

// One line per call, in the order the listeners were called: "A log 2 disk hello -1 -1".
using Journal = std::vector<std::string>;

class CRecordingLog : public CObject, public virtual ILog {
public:
    CRecordingLog(std::string name, Journal& journal, bool* destroyed = nullptr)
        : m_name(std::move(name)), m_journal(journal), m_destroyed(destroyed) {}
    ~CRecordingLog() override {
        if (m_destroyed)
            *m_destroyed = true;
    }

    void write(const P<IString>& channel, const P<IString>& text) override {
        m_journal.push_back(m_name + " write " + utf8(channel) + " " + utf8(text));
    }
    void setLevel(int32_t) override {}
    int32_t getLevel() override { return 0; }
    void log(int32_t level, const P<IString>& channel, const P<IString>& message, int32_t a,
             int32_t b) override {
        if (throws)
            throw std::runtime_error("listener failed");
        m_journal.push_back(m_name + " log " + std::to_string(level) + " " + utf8(channel) + " " +
                            utf8(message) + " " + std::to_string(a) + " " + std::to_string(b));
    }
    // The manager hands every entry to log(); these would only run if it called them.
    void logAtLevel0(const P<IString>&, const P<IString>&) override { wrongCall(); }
    void logAtLevel1(const P<IString>&, const P<IString>&) override { wrongCall(); }
    void logAtLevel2(const P<IString>&, const P<IString>&) override { wrongCall(); }
    void logAtLevel3(const P<IString>&, const P<IString>&) override { wrongCall(); }
    void logException(const P<IString>&, const CException&) override { wrongCall(); }

    bool throws = false;

private:
    void wrongCall() { m_journal.push_back(m_name + " shortcut"); }

    std::string m_name;
    Journal& m_journal;
    bool* m_destroyed;
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
    manager->logAtLevel2(str("disk"), str("two"));
    manager->logAtLevel3(str("disk"), str("three"));
    manager->log(2, str("disk"), str("raw"), 7, 9);
    EXPECT_EQ(journal, (Journal{"A log 1 disk one -1 -1", "A log 2 disk two -1 -1",
                                "A log 3 disk three -1 -1", "A log 2 disk raw 7 9"}));

    journal.clear();
    manager->setLevel(3);
    EXPECT_EQ(manager->getLevel(), 3);
    manager->logAtLevel2(str("disk"), str("two"));
    manager->logAtLevel3(str("disk"), str("three"));
    manager->logException(str("disk"), CException(str("CError"), str("it broke")));
    manager->write(str("disk"), str("plain"));
    EXPECT_EQ(journal, (Journal{"A log 3 disk three -1 -1", "A log 3 disk it broke -1 -1",
                                "A write disk plain"}));

    journal.clear();
    manager->setLevel(4);
    manager->logException(str("disk"), CException(str("CError"), str("it broke")));
    manager->write(str("disk"), str("still"));
    EXPECT_EQ(journal, (Journal{"A write disk still"}));
}

TEST_F(LogManager, ChannelListenersRunSecondComesLastThenAllChannelListeners) {
    P<CRecordingLog> a = listener("A"), b = listener("B"), c = listener("C");
    P<CRecordingLog> x = listener("X"), y = listener("Y");
    manager->addListener(str("disk"), a.get());
    manager->addListener(str("disk"), b.get());
    manager->addListener(str("disk"), c.get());
    manager->addListener(nullptr, x.get());
    manager->addListener(emptyString(), y.get());

    // A channel is found by its text, whatever the encoding of the string naming it.
    manager->logAtLevel1(str(u"disk"), str("m"));
    EXPECT_EQ(journal,
              (Journal{"A log 1 disk m -1 -1", "C log 1 disk m -1 -1", "B log 1 disk m -1 -1",
                       "Y log 1 disk m -1 -1", "X log 1 disk m -1 -1"}));

    journal.clear();
    manager->write(str("net"), str("w"));
    manager->logAtLevel1(nullptr, str("n"));
    EXPECT_EQ(journal, (Journal{"Y write net w", "X write net w", "Y log 1 <null> n -1 -1",
                                "X log 1 <null> n -1 -1"}));
}

TEST_F(LogManager, RemovalKeepsTheRestInOrderAndDropsEmptiedChannels) {
    P<CRecordingLog> a = listener("A"), b = listener("B"), c = listener("C"), d = listener("D");
    manager->addListener(str("disk"), a.get());
    manager->addListener(str("disk"), b.get());
    manager->addListener(str("disk"), c.get()); // A C B

    // Unknown listeners, other channels and empty lists are ignored.
    manager->removeListener(str("disk"), d.get());
    manager->removeListener(str("net"), a.get());
    manager->removeListener(nullptr, a.get());

    // The first node goes: its successor heads the list, and a newcomer goes right behind it.
    manager->removeListener(str("disk"), a.get());
    manager->addListener(str("disk"), d.get());
    manager->logAtLevel1(str("disk"), str("m"));
    EXPECT_EQ(journal,
              (Journal{"C log 1 disk m -1 -1", "D log 1 disk m -1 -1", "B log 1 disk m -1 -1"}));

    // Emptying the channel removes it; the next listener starts a new list.
    journal.clear();
    manager->removeListener(str("disk"), d.get());
    manager->removeListener(str("disk"), c.get());
    manager->removeListener(str("disk"), b.get());
    manager->logAtLevel1(str("disk"), str("gone"));
    EXPECT_TRUE(journal.empty());
    manager->addListener(str("disk"), b.get());
    manager->addListener(str("disk"), a.get());
    manager->logAtLevel1(str("disk"), str("again"));
    EXPECT_EQ(journal, (Journal{"B log 1 disk again -1 -1", "A log 1 disk again -1 -1"}));

    // A double registration is removed one at a time.
    journal.clear();
    manager->addListener(nullptr, c.get());
    manager->addListener(nullptr, c.get());
    manager->removeListener(nullptr, c.get());
    manager->logAtLevel1(str("other"), str("once"));
    EXPECT_EQ(journal, (Journal{"C log 1 other once -1 -1"}));
}

TEST_F(LogManager, HoldsItsListenersUntilRemovedOrDestroyed) {
    bool removedGone = false, keptGone = false;
    ILog* removed;
    {
        P<ILog> r = make<CRecordingLog>("R", journal, &removedGone);
        P<ILog> k = make<CRecordingLog>("K", journal, &keptGone);
        removed = r.get();
        manager->addListener(str("disk"), r.get());
        manager->addListener(nullptr, k.get());
    }
    EXPECT_FALSE(removedGone);
    EXPECT_FALSE(keptGone);
    manager->logAtLevel1(str("disk"), str("m"));
    EXPECT_EQ(journal, (Journal{"R log 1 disk m -1 -1", "K log 1 disk m -1 -1"}));

    manager->removeListener(str("disk"), removed);
    EXPECT_TRUE(removedGone);
    EXPECT_FALSE(keptGone);
    manager = nullptr;
    EXPECT_TRUE(keptGone);
}

TEST_F(LogManager, AThrowingListenerStopsTheEntryAndReleasesTheLock) {
    P<CRecordingLog> a = listener("A"), b = listener("B"), all = listener("All");
    manager->addListener(str("disk"), a.get());
    manager->addListener(str("disk"), b.get());
    manager->addListener(nullptr, all.get());
    a->throws = true;
    EXPECT_THROW(manager->logAtLevel2(str("disk"), str("lost")), std::runtime_error);
    EXPECT_TRUE(journal.empty());

    // Another thread must get in: the lock is re-entrant, so only a second thread shows that
    // the failed call let go of it.
    a->throws = false;
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread other([&] {
        manager->logAtLevel2(str("disk"), str("next"));
        done.set_value();
    });
    if (finished.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        other.detach();
        FAIL() << "the log manager's lock is still held";
    }
    other.join();
    EXPECT_EQ(journal, (Journal{"A log 2 disk next -1 -1", "B log 2 disk next -1 -1",
                                "All log 2 disk next -1 -1"}));
}

namespace {

// Counts entries per writer and notices two calls overlapping; the plain vector is left
// unguarded on purpose so the thread sanitizer sees any call the manager lets through twice.
class COverlapDetector : public CObject, public virtual ILog {
public:
    explicit COverlapDetector(int writers) : lastSeen(static_cast<size_t>(writers), -1) {}

    void write(const P<IString>&, const P<IString>&) override { enter(0, -1); }
    void setLevel(int32_t) override {}
    int32_t getLevel() override { return 0; }
    void log(int32_t, const P<IString>&, const P<IString>&, int32_t writer,
             int32_t sequence) override {
        enter(writer, sequence);
    }
    void logAtLevel0(const P<IString>&, const P<IString>&) override {}
    void logAtLevel1(const P<IString>&, const P<IString>&) override {}
    void logAtLevel2(const P<IString>&, const P<IString>&) override {}
    void logAtLevel3(const P<IString>&, const P<IString>&) override {}
    void logException(const P<IString>&, const CException&) override {}

    std::atomic<int> overlaps{0};
    int outOfOrder = 0;
    int calls = 0;
    int writes = 0;
    std::vector<int> lastSeen;

private:
    void enter(int32_t writer, int32_t sequence) {
        if (m_inside.exchange(true))
            ++overlaps;
        ++calls;
        if (sequence < 0) {
            ++writes;
        } else {
            if (sequence <= lastSeen[static_cast<size_t>(writer)])
                ++outOfOrder;
            lastSeen[static_cast<size_t>(writer)] = sequence;
        }
        std::this_thread::yield();
        m_inside.store(false);
    }

    std::atomic<bool> m_inside{false};
};

} // namespace

TEST(LogManagerConcurrency, ThreadsLoggingToOneListenerNeverOverlap) {
    constexpr int writers = 4;
    constexpr int entries = 200;
    P<ILogManager> manager = make<CLogManager>();
    P<COverlapDetector> detector = make<COverlapDetector>(writers);
    manager->addListener(str("disk"), detector.get());

    std::atomic<bool> stop{false};
    // Meanwhile another thread keeps changing the channel's list around the detector.
    std::thread churn([&] {
        Journal ignored;
        while (!stop.load()) {
            P<CRecordingLog> extra = make<CRecordingLog>("extra", ignored);
            manager->addListener(str("disk"), extra.get());
            manager->removeListener(str("disk"), extra.get());
        }
    });
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < entries; ++i) {
                if (i % 4 == 0)
                    manager->write(str("disk"), str("w"));
                manager->log(1, str("disk"), str("entry"), w, i);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    stop.store(true);
    churn.join();

    EXPECT_EQ(detector->overlaps.load(), 0);
    EXPECT_EQ(detector->outOfOrder, 0);
    EXPECT_EQ(detector->calls, writers * entries + writers * entries / 4);
    EXPECT_EQ(detector->writes, writers * entries / 4);
}

TEST(ProcessLogManager, IsOneObjectAndCarriesTheMemoryManagersCacheClearing) {
    P<ILogManager> manager = getLogManager();
    ASSERT_TRUE(manager);
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
        memory->allocate(40); // cached when the manager dies: no line from the destructor
    }
    manager->removeListener(str("CMemoryManager"), listener.get());
    EXPECT_EQ(journal, (Journal{"M log 1 CMemoryManager CMemoryManager: cleared the cache "
                                "(blocks: 2, bytes: 132) -1 -1"}));
}
