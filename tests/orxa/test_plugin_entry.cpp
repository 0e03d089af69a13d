#include "TestHost.h"

#include "orxa/common/IFormat.h"
#include "orxa/common/IPluginExtensions.h"
#include "orxa/common/ISource.h"

#include <gtest/gtest.h>

using namespace testhost;
using tamu::P;

TEST(PluginEntry, AnswersNameCapabilitiesAndItsInterfaces) {
    P<CTestPluginHost> host = tamu::make<CTestPluginHost>(tamu::make<CTestHostLog>(), nullptr);
    P<orxa::common::IOrxaPlugin> plugin = PluginLibrary::shared().create(host.get());
    ASSERT_TRUE(plugin);
    EXPECT_EQ(tamu::stringConv::toStdString(*plugin->getName()), "orxa_flac");
    EXPECT_EQ(plugin->getCapabilities(), 18u);
    EXPECT_TRUE(plugin->reservedCreate(0, 0).isNull());
    EXPECT_TRUE(plugin->reservedCreate(-1, 7).isNull());
    EXPECT_EQ(tamu::stringConv::toStdString(*plugin->toString()), "orxa::flac::CPlugin object");

    // A host casts across the boundary with the same type information the plug-in uses.
    tamu::IBase* base = plugin.get();
    EXPECT_EQ(tamu::interfaceCast<orxa::common::IOrxaPlugin>(base, true), plugin.get());
    EXPECT_EQ(tamu::interfaceCast<orxa::common::ISource>(base, true), nullptr);
}

TEST(PluginEntry, TheReturnedPointerCarriesTheOnlyReferenceAndTheObjectHoldsTheHost) {
    bool hostDestroyed = false;
    P<CTestHostLog> log = tamu::make<CTestHostLog>();
    P<orxa::common::IOrxaPlugin> plugin;
    {
        P<CTestPluginHost> host = tamu::make<CTestPluginHost>(log, nullptr, &hostDestroyed);
        plugin = PluginLibrary::shared().create(host.get());
        ASSERT_TRUE(plugin);
    }
    // The plug-in keeps the host alive for its whole life.
    EXPECT_FALSE(hostDestroyed);

    // Observe the plug-in's death through the host it releases: one release must be enough.
    orxa::common::IOrxaPlugin* raw = plugin.detach();
    raw->release();
    EXPECT_TRUE(hostDestroyed);
}
