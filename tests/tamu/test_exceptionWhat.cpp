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
    const char* expected = "Gr\xC3\xBC\xC3\x9F"
                           "e \xE2\x82\xAC 1";
    const P<IString> messages[] = {
        stringConv::fromUTF16(u"Grüße € 1"),
        stringConv::fromUTF32(U"Grüße € 1"),
        stringConv::fromUTF8("Grüße € 1"),
        str("Grüße € 1 and more")->substring(0, 9),
    };
    for (const P<IString>& message : messages) {
        CError e(message, nullptr);
        EXPECT_STREQ(e.what(), expected);
    }
    // Latin-1 has no euro sign; what() still renders what it holds.
    CError latin(stringConv::fromLatin1("Gr\xFC\xDF"
                                        "e"),
                 nullptr);
    EXPECT_STREQ(latin.what(), "Gr\xC3\xBC\xC3\x9F"
                               "e");
}

TEST(ExceptionWhat, CodePageMessageIsReturnedInPlace) {
    P<IString> message = stringConv::fromCP("already in the code page");
    CError e(message, nullptr);
    EXPECT_EQ(e.what(), static_cast<const char*>(message->getData()));
}

TEST(ExceptionWhat, EachThreadHasItsOwnText) {
    CError mine(stringConv::fromUTF16(u"main thread's text"), nullptr);
    const char* kept = mine.what();

    constexpr int threadCount = 4;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
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
                const char* text = e.what();
                if (expected != text)
                    ++mismatches;
                if (std::strcmp(other.what(), "second text") != 0)
                    ++mismatches;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
    // Other threads' conversions leave this thread's last text alone.
    EXPECT_STREQ(kept, "main thread's text");

    CError next(stringConv::fromUTF16(u"next"), nullptr);
    EXPECT_STREQ(next.what(), "next");
}
