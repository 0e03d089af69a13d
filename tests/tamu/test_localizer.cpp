#include "tamu/CStringLocalizer.h"
#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/IString.h"
#include "tamu/IURI.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace tamu;

namespace {

std::string utf8(const P<IString>& s) {
    return s ? stringConv::toStdString(*s) : std::string("<null>");
}

// A localizer that counts the lookups that reach it.
class CCountingLocalizer : public CStringLocalizer {
public:
    P<IString> localize(StringArg key, const P<IString>& defaultText) const override {
        ++calls;
        return CStringLocalizer::localize(key, defaultText);
    }
    mutable std::atomic<int> calls{0};
};

// Leaves the process's localizer as the test found it, whatever the test did to it.
struct ProcessTextsReset {
    ~ProcessTextsReset() {
        P<IStringLocalizer> process = getStringLocalizer();
        for (const char* key :
             {"tamu.CFileNotFoundError.Desc", "tamu.CFileNotFoundError.GeneralDesc",
              "tamu.CFileAccessDeniedError.Desc"})
            process->setText(key, nullptr);
        process->setFallback(nullptr);
    }
};

} // namespace

TEST(StringLocalizer, TextsReplaceAndRemove) {
    P<IStringLocalizer> localizer = make<CStringLocalizer>();
    P<IString> fallbackText = str("default");
    // Empty, it answers the default itself.
    EXPECT_EQ(fallbackText, localizer->localize("greeting", fallbackText));
    EXPECT_EQ(nullptr, localizer->localize("any", nullptr));
    localizer->setText("greeting", str("Hallo"));
    EXPECT_EQ("Hallo", utf8(localizer->localize("greeting", fallbackText)));
    EXPECT_EQ("Hallo", utf8(localizer->localize(u"greeting", fallbackText)));
    EXPECT_EQ("default", utf8(localizer->localize("Greeting", fallbackText))); // keys keep case
    localizer->setText(str(U"greeting"), str("Servus"));
    EXPECT_EQ("Servus", utf8(localizer->localize("greeting", fallbackText)));
    localizer->setText("greeting", nullptr);
    EXPECT_EQ("default", utf8(localizer->localize("greeting", fallbackText)));
    localizer->setText("a", str("1"));
    localizer->setText("b", str("2"));
    localizer->clear();
    EXPECT_EQ("default", utf8(localizer->localize("a", fallbackText)));
    EXPECT_EQ("default", utf8(localizer->localize("b", fallbackText)));
}

TEST(StringLocalizer, LookupsFallBackAlongTheChain) {
    P<IStringLocalizer> german = make<CStringLocalizer>();
    P<CCountingLocalizer> english = make<CCountingLocalizer>();
    P<IStringLocalizer> base = make<CStringLocalizer>();
    german->setFallback(english.get());
    english->setFallback(base.get());
    german->setText("k1", str("de1"));
    english->setText("k1", str("en1"));
    english->setText("k2", str("en2"));
    base->setText("k3", str("base3"));
    P<IString> fallbackText = str("default");

    EXPECT_EQ("de1", utf8(german->localize("k1", fallbackText)));
    EXPECT_EQ(0, english->calls.load()); // found first hand: the chain is not asked
    EXPECT_EQ("en2", utf8(german->localize("k2", fallbackText)));
    EXPECT_EQ("base3", utf8(german->localize("k3", fallbackText)));
    EXPECT_EQ(fallbackText, german->localize("k4", fallbackText));
    EXPECT_EQ(3, english->calls.load());
    // A null string stored by someone else counts as no text.
    base->setText("k5", stringConv::fromUTF8(nullptr));
    EXPECT_EQ(fallbackText, german->localize("k5", fallbackText));

    // clear() keeps the fallback; setFallback(nullptr) drops it.
    german->clear();
    EXPECT_EQ("en1", utf8(german->localize("k1", fallbackText)));
    german->setFallback(nullptr);
    EXPECT_EQ("default", utf8(german->localize("k1", fallbackText)));
}

TEST(StringLocalizer, FallbackIsKeptAlive) {
    P<IStringLocalizer> front = make<CStringLocalizer>();
    P<CStringLocalizer> behind = make<CStringLocalizer>();
    behind->setText("key", str("behind"));
    front->setFallback(behind.get());
    EXPECT_EQ(2, behind->getRefCount());
    P<CStringLocalizer> other = make<CStringLocalizer>();
    front->setFallback(other.get());
    EXPECT_EQ(1, behind->getRefCount());
    front->setFallback(behind.get());
    behind.reset();
    EXPECT_EQ("behind", utf8(front->localize("key", nullptr)));
}

TEST(StringLocalizer, ThreadsShareOneLocalizer) {
    P<IStringLocalizer> localizer = make<CStringLocalizer>();
    P<IStringLocalizer> fallback = make<CStringLocalizer>();
    fallback->setText("common", str("from fallback"));
    localizer->setFallback(fallback.get());
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                P<IString> key =
                    stringConv::fromStd("t" + std::to_string(t) + "." + std::to_string(i));
                P<IString> text = stringConv::fromStd(std::to_string(i));
                localizer->setText(key, text);
                if (localizer->localize(key, nullptr) != text)
                    ++wrong;
                if (utf8(localizer->localize("common", nullptr)) != "from fallback")
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ("299", utf8(localizer->localize("t3.299", nullptr)));
}

TEST(StringLocalizer, FileErrorsAskTheProcessLocalizer) {
    ProcessTextsReset reset;
    P<IStringLocalizer> process = getStringLocalizer();
    ASSERT_TRUE(process);
    EXPECT_EQ(process, getStringLocalizer());
    P<IURI> uri = make<CURI>("http://example.com/a.flac");
    EXPECT_EQ("The file 'http://example.com/a.flac' was not found.",
              utf8(CFileNotFoundError(uri).getMessage()));
    EXPECT_EQ("The file could not be found.", utf8(CFileNotFoundError().getMessage()));
    EXPECT_EQ("Access to the file 'http://example.com/a.flac' was denied.",
              utf8(CFileAccessDeniedError(uri).getMessage()));

    process->setText("tamu.CFileNotFoundError.Desc", str("Datei '%FILE%' fehlt."));
    process->setText("tamu.CFileNotFoundError.GeneralDesc", str("Datei fehlt."));
    process->setText("tamu.CFileAccessDeniedError.Desc", str("'%FILE%' ist gesperrt."));
    EXPECT_EQ("Datei 'http://example.com/a.flac' fehlt.",
              utf8(CFileNotFoundError(uri).getMessage()));
    EXPECT_EQ("Datei fehlt.", utf8(CFileNotFoundError().getMessage()));
    EXPECT_EQ("'http://example.com/a.flac' ist gesperrt.",
              utf8(CFileAccessDeniedError(uri).getMessage()));

    // A text found only in the fallback is used as well.
    P<IStringLocalizer> french = make<CStringLocalizer>();
    french->setText("tamu.CFileNotFoundError.Desc", str("Fichier '%FILE%' introuvable."));
    process->setText("tamu.CFileNotFoundError.Desc", nullptr);
    process->setFallback(french.get());
    EXPECT_EQ("Fichier 'http://example.com/a.flac' introuvable.",
              utf8(CFileNotFoundError(uri).getMessage()));
}
