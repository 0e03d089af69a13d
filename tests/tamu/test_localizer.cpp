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

} // namespace

TEST(StringLocalizer, LookupsFallBackAlongTheChain) {
    P<IStringLocalizer> german = make<CStringLocalizer>();
    P<IStringLocalizer> english = make<CStringLocalizer>();
    P<IStringLocalizer> base = make<CStringLocalizer>();
    german->setFallback(english.get());
    english->setFallback(base.get());
    german->setText("k1", str("de1"));
    english->setText("k1", str("en1"));
    base->setText("k3", str("base3"));
    P<IString> fallbackText = str("default");

    EXPECT_EQ("de1", utf8(german->localize(u"k1", fallbackText)));    // found first hand
    EXPECT_EQ("default", utf8(german->localize("K1", fallbackText))); // keys keep case
    EXPECT_EQ("base3", utf8(german->localize("k3", fallbackText)));
    EXPECT_EQ(fallbackText, german->localize("k4", fallbackText));
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
}

TEST(StringLocalizer, FileErrorsAskTheProcessLocalizer) {
    P<IStringLocalizer> process = getStringLocalizer();
    P<IURI> uri = make<CURI>("http://example.com/a.flac");
    // Texts found only in the process localizer's fallback are used as well.
    P<IStringLocalizer> french = make<CStringLocalizer>();
    french->setText("tamu.CFileNotFoundError.Desc", str("Fichier '%FILE%' introuvable."));
    french->setText("tamu.CFileNotFoundError.GeneralDesc", str("Fichier introuvable."));
    process->setFallback(french.get());
    std::string withUri = utf8(CFileNotFoundError(uri).getMessage());
    std::string general = utf8(CFileNotFoundError().getMessage());
    process->setFallback(nullptr);
    EXPECT_EQ("Fichier 'http://example.com/a.flac' introuvable.", withUri);
    EXPECT_EQ("Fichier introuvable.", general);
}
