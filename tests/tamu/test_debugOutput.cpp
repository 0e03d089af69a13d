#include "tamu/CObject.h"
#include "tamu/debugOutput.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace tamu;

namespace {

class CCollectingSink : public CObject, public virtual IDebugSink {
public:
    void write(const P<IString>& text) override { collected += stringConv::toStdString(*text); }
    std::string collected;
};

// Runs `body` with standard error sent to a temporary file and returns what reached it.
template <class Body>
std::string standardErrorOf(Body body) {
    std::FILE* file = std::tmpfile();
    std::fflush(stderr);
    int saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    body();
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string captured;
    std::rewind(file);
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        captured.append(buffer, n);
    std::fclose(file);
    return captured;
}

} // namespace

TEST(DebugOutput, InstalledSinkReceivesTheTextAndCanBeRemoved) {
    P<CCollectingSink> sink = make<CCollectingSink>();
    EXPECT_TRUE(setDebugSink(sink).isNull());
    debugOutput(stringConv::fromUTF16(u"caf\u00e9"));
    debugOutput(str("\n"));
    EXPECT_EQ(sink->collected, "caf\xC3\xA9\n");

    EXPECT_EQ(setDebugSink(nullptr), P<IDebugSink>(sink));
    debugOutput(str("after removal"));
    EXPECT_EQ(sink->collected, "caf\xC3\xA9\n");
}

TEST(DebugOutput, PlatformChannelIsSilentUnlessSwitchedOn) {
    unsetenv("TAMU_DEBUG_OUTPUT");
    EXPECT_EQ(standardErrorOf([] { debugOutput(str("quiet")); }), "");

    setenv("TAMU_DEBUG_OUTPUT", "1", 1);
    EXPECT_EQ(standardErrorOf([] { debugOutput(stringConv::fromUTF16(u"loud \u00e9")); }),
              "loud \xC3\xA9");
    unsetenv("TAMU_DEBUG_OUTPUT");
}
