#include "tamu/CError.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;

// These tests run in the "C" locale, whose code page the library reads as UTF-8: what() gives
// the message's UTF-8 bytes.

TEST(ExceptionWhat, ConvertsEveryEncodingToTheCodePage) {
    const P<IString> messages[] = {stringConv::fromUTF16(u"Grüße"),
                                   str("Grüße, noch mehr")->substring(0, 5),
                                   stringConv::fromLatin1("Gr\xFC\xDF"
                                                          "e")};
    for (const P<IString>& message : messages)
        EXPECT_STREQ(CError(message, nullptr).what(), "Gr\xC3\xBC\xC3\x9F"
                                                      "e");
}

TEST(ExceptionWhat, EachThreadHasItsOwnText) {
    CError mine(stringConv::fromUTF16(u"main thread's text"), nullptr);
    const char* kept = mine.what();
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            std::u16string own = u"thread ";
            own += static_cast<char16_t>(u'A' + t);
            own += u" é";
            std::string expected = "thread ";
            expected += static_cast<char>('A' + t);
            expected += " \xC3\xA9";
            CError e(stringConv::fromStd(own), nullptr);
            CError other(stringConv::fromUTF16(u"second text"), nullptr);
            for (int i = 0; i < 2000; ++i) {
                if (expected != e.what() || std::strcmp(other.what(), "second text") != 0)
                    ++mismatches;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
    // Other threads' conversions leave this thread's last text alone.
    EXPECT_STREQ(kept, "main thread's text");
}
