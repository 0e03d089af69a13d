// A host links its own copy of the foundation library and loads the plug-in with dlopen; the
// plug-in's errors must still be caught by their type on the host's side. The module loaded
// here is built from the plug-in's objects with the plug-in's visibility settings.
#include "orxa/common/COrxaEOFError.h"
#include "orxa/common/COrxaError.h"
#include "tamu/CObjectError.h"
#include "tamu/CURIError.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>

using namespace orxa::common;
using namespace tamu;

namespace {

using ThrowFunction = void (*)(int);

enum Kind { orxaError, orxaEOF, fileNotFound, castError, parseError };

class ExceptionBoundary : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // RTLD_LOCAL, as hosts load plug-ins: nothing of the module's copy of the library is
        // merged with ours.
        module = dlopen(ORXA_THROWING_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        raise = reinterpret_cast<ThrowFunction>(dlsym(module, "orxa_test_throw"));
        ASSERT_NE(raise, nullptr) << dlerror();
    }

    static inline void* module = nullptr;
    static inline ThrowFunction raise = nullptr;
};

std::string text(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

} // namespace

TEST_F(ExceptionBoundary, HostCatchesThePluginsErrorsByTypeAndBase) {
    try {
        raise(orxaError);
        ADD_FAILURE() << "nothing thrown";
    } catch (const COrxaError& e) {
        EXPECT_EQ(text(e.getName()), "COrxaError");
        EXPECT_EQ(text(e.getMessage()), "decoding failed");
    }
    try {
        raise(orxaEOF);
        ADD_FAILURE() << "nothing thrown";
    } catch (const COrxaError&) {
        ADD_FAILURE() << "end of data caught as COrxaError";
    } catch (const COrxaEOFError& e) {
        EXPECT_EQ(text(e.getMessage()), "CFLACSource::getNextAudioChunk()");
    }
    EXPECT_THROW(raise(orxaError), CError);
    EXPECT_THROW(raise(orxaEOF), CError);
    EXPECT_THROW(raise(castError), CCastError);
    try {
        raise(parseError);
        ADD_FAILURE() << "nothing thrown";
    } catch (const CParseError& e) {
        EXPECT_STREQ(e.what(), "Error parsing integer.");
    }
    try {
        raise(fileNotFound);
        ADD_FAILURE() << "nothing thrown";
    } catch (const CFileError& e) {
        EXPECT_EQ(text(e.getMessage()), "The file could not be found.");
        EXPECT_TRUE(e.getURI().isNull());
    }
}

TEST_F(ExceptionBoundary, ClonesTakenByTheHostOutliveTheHandler) {
    P<CException> kept;
    try {
        raise(orxaError);
    } catch (const CException& e) {
        kept = e.clone();
    }
    ASSERT_TRUE(kept);
    EXPECT_NE(dynamic_cast<COrxaError*>(kept.get()), nullptr);
    EXPECT_STREQ(kept->what(), "decoding failed");
}
