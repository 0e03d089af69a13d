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

std::vector<std::pair<int32_t, std::string>> received(const CTestHostLog& log) {
    std::vector<std::pair<int32_t, std::string>> lines;
    for (const LogLine& line : log.lines())
        lines.emplace_back(line.level, line.text);
    return lines;
}

using Lines = std::vector<std::pair<int32_t, std::string>>;

} // namespace

TEST(LogBridge, ReversesLevelsTowardsTheHostAndBack) {
    P<CTestHostLog> host = tamu::make<CTestHostLog>(9);
    P<tamu::ILog> bridge = tamu::make<CTamuToOrxaLog>(host.get());

    bridge->log(3, str("disk"), str("three"), 5, 6);
    bridge->log(0, str("disk"), str("zero"), -1, -1);
    bridge->log(7, str("disk"), str("seven"), -1, -1);
    bridge->log(-1, str("disk"), str("minus"), -1, -1);
    bridge->logAtLevel1(str("disk"), str("one"));
    bridge->logAtLevel2(nullptr, str("two"));
    bridge->logAtLevel0(str("disk"), str("a0"));
    bridge->logAtLevel3(str("disk"), str("a3"));
    EXPECT_EQ(received(*host), (Lines{{0, "three"},
                                      {3, "zero"},
                                      {0, "seven"},
                                      {0, "minus"},
                                      {2, "one"},
                                      {1, "two"},
                                      {3, "a0"},
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
    P<CTestHostLog> other = tamu::make<CTestHostLog>();
    EXPECT_FALSE(bridge->isFor(other.get()));
    EXPECT_FALSE(bridge->isFor(nullptr));
}

// The registry is process-wide and keeps every bridge; each case uses host logs of its own and
// disconnects all bridges when it is done.
class LogBridgeRegistry : public testing::Test {
protected:
    void TearDown() override { orxa::common::removeLogBridges(); }
};

TEST_F(LogBridgeRegistry, ConnectsEachHostLogOnceAndForAll) {
    EXPECT_FALSE(orxa::common::installLogBridge(nullptr));

    P<CTestHostLog> host = tamu::make<CTestHostLog>();
    EXPECT_TRUE(orxa::common::installLogBridge(host));
    EXPECT_FALSE(orxa::common::installLogBridge(host));

    P<tamu::ILogManager> manager = tamu::getLogManager();
    manager->logAtLevel3(str("CSomething"), str("failed"));
    manager->logAtLevel0(str("CSomething"), str("below the minimum level"));
    EXPECT_EQ(received(*host), (Lines{{0, "failed"}}));

    // Disconnected bridges stay in the registry, so the same log cannot be connected again.
    orxa::common::removeLogBridges();
    manager->logAtLevel3(str("CSomething"), str("unheard"));
    EXPECT_FALSE(orxa::common::installLogBridge(host));
    manager->logAtLevel3(str("CSomething"), str("still unheard"));
    EXPECT_EQ(received(*host), (Lines{{0, "failed"}}));

    P<CTestHostLog> second = tamu::make<CTestHostLog>();
    EXPECT_TRUE(orxa::common::installLogBridge(second));
    manager->logAtLevel2(str("CSomething"), str("heard"));
    EXPECT_EQ(received(*second), (Lines{{1, "heard"}}));
    EXPECT_EQ(host->lines().size(), 1u);
}

namespace {

// The plug-in built with test entries that make its foundation code log.
class LoggingModule {
public:
    LoggingModule() : library(ORXA_THROWING_MODULE_PATH) {
        log =
            reinterpret_cast<void (*)(int, const char*)>(dlsym(library.handle(), "orxa_test_log"));
        clearMemoryCache =
            reinterpret_cast<void (*)()>(dlsym(library.handle(), "orxa_test_clearMemoryCache"));
        if (!log || !clearMemoryCache)
            throw std::runtime_error("the module's test entries are missing");
    }

    PluginLibrary library;
    void (*log)(int, const char*) = nullptr;
    void (*clearMemoryCache)() = nullptr;
};

} // namespace

TEST(LogBridgeEndToEnd, ThePluginObjectCarriesFoundationEntriesToItsHostWhileItLives) {
    static LoggingModule module;
    P<CTestHostLog> log = tamu::make<CTestHostLog>();
    P<CTestPluginHost> host = tamu::make<CTestPluginHost>(log, nullptr);

    module.log(3, "before any plug-in object");
    P<orxa::common::IOrxaPlugin> plugin = module.library.create(host.get());
    ASSERT_TRUE(plugin);
    module.clearMemoryCache();
    module.log(3, "severe");
    module.log(0, "below the minimum level");
    // The test process's own log manager is another copy: nothing of it reaches the plug-in's.
    tamu::getLogManager()->logAtLevel3(str("test"), str("host side"));
    EXPECT_EQ(
        received(*log),
        (Lines{{2, "CMemoryManager: cleared the cache (blocks: 1, bytes: 128)"}, {0, "severe"}}));

    // Gone with the plug-in object, and a second object for the same log does not bring it back.
    plugin = nullptr;
    module.log(3, "after");
    plugin = module.library.create(host.get());
    ASSERT_TRUE(plugin);
    module.log(3, "second object");
    EXPECT_EQ(log->lines().size(), 2u);

    // A host with a log of its own is heard again. Any plug-in object's end silences every
    // bridge, so the old object goes first.
    plugin = nullptr;
    P<CTestHostLog> otherLog = tamu::make<CTestHostLog>();
    P<CTestPluginHost> otherHost = tamu::make<CTestPluginHost>(otherLog, nullptr);
    plugin = module.library.create(otherHost.get());
    module.log(2, "new host");
    plugin = nullptr;
    EXPECT_EQ(received(*otherLog), (Lines{{1, "new host"}}));
}
