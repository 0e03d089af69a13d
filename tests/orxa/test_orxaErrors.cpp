#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "tamu/CObject.h"
#include "tamu/debugOutput.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orxa::common;
using namespace tamu;

namespace {

class CRecordingSink : public CObject, public virtual IDebugSink {
public:
    void write(const P<IString>& text) override {
        writes.push_back(stringConv::toStdString(*text));
    }
    std::vector<std::string> writes;
};

class OrxaErrors : public testing::Test {
protected:
    void SetUp() override { previous = setDebugSink(sink); }
    void TearDown() override { setDebugSink(previous); }

    P<CRecordingSink> sink = make<CRecordingSink>();
    P<IDebugSink> previous;
};

std::string text(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

} // namespace

TEST_F(OrxaErrors, ErrorReportsItsMessageOnceToTheDebugChannel) {
    COrxaError error(str("x"));
    EXPECT_EQ(sink->writes, (std::vector<std::string>{"x", "\n"}));
    EXPECT_EQ(text(error.getName()), "COrxaError");
    EXPECT_EQ(text(error.getMessage()), "x");

    COrxaError copy(error);
    P<CException> cloned = error.clone();
    EXPECT_EQ(sink->writes.size(), 2u);
    // Unlike the foundation's errors, the framework's clones keep their class.
    EXPECT_NE(dynamic_cast<COrxaError*>(cloned.get()), nullptr);
    EXPECT_EQ(cloned->getMessage(), error.getMessage());
}

// Which classes catch it is shown across the plug-in boundary (test_exceptionBoundary).
TEST_F(OrxaErrors, EndOfDataIsSilent) {
    COrxaEOFError eof(str("CFLACSource::getNextAudioChunk()"));
    EXPECT_TRUE(sink->writes.empty());
    EXPECT_EQ(text(eof.getName()), "COrxaEOFError");
    EXPECT_NE(dynamic_cast<COrxaEOFError*>(eof.clone().get()), nullptr);
}
