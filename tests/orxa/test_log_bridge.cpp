#include "TestHost.h"

#include "orxa/common/CTamuToOrxaLog.h"
#include "orxa/common/logBridge.h"
#include "tamu/CException.h"
#include "tamu/ILogManager.h"

#include <gtest/gtest.h>

using namespace testhost;
using orxa::common::CTamuToOrxaLog;
using tamu::P;
using tamu::str;

namespace {

using Lines = std::vector<std::pair<int32_t, std::string>>;

Lines received(const CTestHostLog& log) {
    Lines lines;
    for (const LogLine& line : log.lines())
        lines.emplace_back(line.level, line.text);
    return lines;
}

} // namespace

TEST(LogBridge, ReversesLevelsTowardsTheHostAndBack) {
    P<CTestHostLog> host = tamu::make<CTestHostLog>(9);
    P<tamu::ILog> bridge = tamu::make<CTamuToOrxaLog>(host.get());

    bridge->log(3, str("disk"), str("three"), 5, 6);
    bridge->log(7, str("disk"), str("seven"), -1, -1);
    bridge->log(-1, str("disk"), str("minus"), -1, -1);
    bridge->logAtLevel0(str("disk"), str("zero"));
    bridge->logAtLevel1(str("disk"), str("one"));
    bridge->logAtLevel2(nullptr, str("two"));
    bridge->logAtLevel3(str("disk"), str("a3"));
    EXPECT_EQ(received(*host), (Lines{{0, "three"},
                                      {0, "seven"},
                                      {0, "minus"},
                                      {3, "zero"},
                                      {2, "one"},
                                      {1, "two"},
                                      {0, "a3"}}));

    // Unknown host levels read back as the most severe.
    EXPECT_EQ(bridge->getLevel(), 3);
    const int32_t expected[] = {3, 2, 1, 0, 3};
    for (int32_t hostLevel = 0; hostLevel <= 4; ++hostLevel) {
        host->setLevel(hostLevel);
        EXPECT_EQ(bridge->getLevel(), expected[hostLevel]) << "host level " << hostLevel;
    }
}

TEST(LogBridge, PassesExceptionsAsEntriesAndIgnoresWritesAndLevelChanges) {
    P<CTestHostLog> host = tamu::make<CTestHostLog>(2);
    P<CTamuToOrxaLog> bridge = tamu::make<CTamuToOrxaLog>(host.get());
    bridge->logException(str("disk"), tamu::CException(str("CError"), str("broken")));
    EXPECT_EQ(host->entries(), 1);
    EXPECT_TRUE(host->lines().empty());

    bridge->write(str("disk"), str("text"));
    bridge->setLevel(0);
    EXPECT_TRUE(host->lines().empty());
    EXPECT_EQ(host->getLevel(), 2);
    EXPECT_TRUE(bridge->isFor(host.get()));
    EXPECT_FALSE(bridge->isFor(tamu::make<CTestHostLog>().get()));
}

// The registry is process-wide and keeps every bridge; each case uses host logs of its own and
// disconnects all bridges when it is done.
class LogBridgeRegistry : public testing::Test {
protected:
    void TearDown() override { orxa::common::removeLogBridges(); }
};

// Disconnecting and reconnecting are shown end to end below.
TEST_F(LogBridgeRegistry, ConnectsEachHostLogOnce) {
    EXPECT_FALSE(orxa::common::installLogBridge(nullptr));
    P<CTestHostLog> host = tamu::make<CTestHostLog>();
    EXPECT_TRUE(orxa::common::installLogBridge(host));
    EXPECT_FALSE(orxa::common::installLogBridge(host));
    tamu::getLogManager()->logAtLevel3(str("CSomething"), str("failed"));
    EXPECT_EQ(received(*host), (Lines{{0, "failed"}}));
}

// Through the plug-in built with test entries that make its own foundation code log.
TEST(LogBridgeEndToEnd, ThePluginObjectCarriesFoundationEntriesToItsHostWhileItLives) {
    static PluginLibrary library(ORXA_THROWING_MODULE_PATH);
    auto log =
        reinterpret_cast<void (*)(int, const char*)>(dlsym(library.handle(), "orxa_test_log"));
    auto clearMemoryCache =
        reinterpret_cast<void (*)()>(dlsym(library.handle(), "orxa_test_clearMemoryCache"));
    ASSERT_TRUE(log && clearMemoryCache);
    P<CTestHostLog> hostLog = tamu::make<CTestHostLog>();
    P<CTestPluginHost> host = tamu::make<CTestPluginHost>(hostLog, nullptr);

    log(3, "before any plug-in object");
    P<orxa::common::IOrxaPlugin> plugin = library.create(host.get());
    ASSERT_TRUE(plugin);
    clearMemoryCache();
    log(3, "severe");
    log(0, "below the minimum level");
    // The test process's own log manager is another copy: nothing of it reaches the plug-in's.
    tamu::getLogManager()->logAtLevel3(str("test"), str("host side"));
    EXPECT_EQ(
        received(*hostLog),
        (Lines{{2, "CMemoryManager: cleared the cache (blocks: 1, bytes: 128)"}, {0, "severe"}}));

    // Gone with the plug-in object, and a second object for the same log does not bring it back.
    plugin = nullptr;
    log(3, "after");
    plugin = library.create(host.get());
    ASSERT_TRUE(plugin);
    log(3, "second object");
    EXPECT_EQ(hostLog->lines().size(), 2u);

    // A host with a log of its own is heard again. Any plug-in object's end silences every
    // bridge, so the old object goes first.
    plugin = nullptr;
    P<CTestHostLog> otherLog = tamu::make<CTestHostLog>();
    P<CTestPluginHost> otherHost = tamu::make<CTestPluginHost>(otherLog, nullptr);
    plugin = library.create(otherHost.get());
    log(2, "new host");
    plugin = nullptr;
    EXPECT_EQ(received(*otherLog), (Lines{{1, "new host"}}));
}
