#include "tamu/CObject.h"
#include "tamu/debugOutput.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tamu;

namespace {

class CCollectingSink : public CObject, public virtual IDebugSink {
public:
    void write(const P<IString>& text) override { collected += stringConv::toStdString(*text); }
    std::string collected;
};

} // namespace

TEST(DebugOutput, InstalledSinkReceivesTheTextAndCanBeRemoved) {
    P<CCollectingSink> sink = make<CCollectingSink>();
    EXPECT_TRUE(setDebugSink(sink).isNull());
    debugOutput(stringConv::fromUTF16(u"caf\u00e9"));
    EXPECT_EQ(setDebugSink(nullptr), P<IDebugSink>(sink));
    debugOutput(str("after removal"));
    EXPECT_EQ(sink->collected, "caf\xC3\xA9");
}

TEST(DebugOutput, PlatformChannelIsSilentUnlessSwitchedOn) {
    unsetenv("TAMU_DEBUG_OUTPUT");
    testing::internal::CaptureStderr();
    debugOutput(str("quiet"));
    setenv("TAMU_DEBUG_OUTPUT", "1", 1);
    debugOutput(stringConv::fromUTF16(u"loud \u00e9"));
    unsetenv("TAMU_DEBUG_OUTPUT");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "loud \xC3\xA9");
}
