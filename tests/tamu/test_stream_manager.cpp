#include "diskTestSupport.h"

#include "tamu/CMemoryIOStream.h"
#include "tamu/CStreamManager.h"
#include "tamu/CURIError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IPathes.h"
#include "tamu/IStreamManager.h"
#include "tamu/IString.h"
#include "tamu/platformServices.h"
#include "tamu/stringConv.h"

#include <functional>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

// Answers every URI with a memory stream, with nothing, or with an exception; counts the asks.
class CScriptedFactory : public CStreamFactory {
public:
    enum class Answer { stream, nothing, failure };
    explicit CScriptedFactory(Answer answer) : m_answer(answer) {}
    int asked = 0;

#define TAMU_SCRIPTED(Stream, ...)                                                                 \
    P<I##Stream> tryOpen##Stream(IURI*, int32_t __VA_ARGS__) override {                            \
        return answer();                                                                           \
    }
    TAMU_SCRIPTED(InStream)
    TAMU_SCRIPTED(ResetableInStream)
    TAMU_SCRIPTED(SeekableInStream)
    TAMU_SCRIPTED(OutStream, , int32_t, bool)
    TAMU_SCRIPTED(ResetableOutStream, , int32_t, bool)
    TAMU_SCRIPTED(SeekableOutStream, , int32_t, bool)
    TAMU_SCRIPTED(IOStream, , int32_t, bool)
    TAMU_SCRIPTED(ResetableIOStream, , int32_t, bool)
    TAMU_SCRIPTED(SeekableIOStream, , int32_t, bool)
#undef TAMU_SCRIPTED

private:
    P<CMemoryIOStream> answer() {
        ++asked;
        if (m_answer == Answer::failure)
            throw CFileAccessDeniedError(nullptr);
        return m_answer == Answer::stream ? make<CMemoryIOStream>() : nullptr;
    }

    Answer m_answer;
};

using Scripted = CScriptedFactory::Answer;

// How many of the nine "try" operations answer with a stream.
int tryAll(IStreamFactory& f, IURI* u) {
    return !!f.tryOpenInStream(u, 1) + !!f.tryOpenResetableInStream(u, 1) +
           !!f.tryOpenSeekableInStream(u, 1) + !!f.tryOpenOutStream(u, 0, 3, false) +
           !!f.tryOpenResetableOutStream(u, 0, 3, false) +
           !!f.tryOpenSeekableOutStream(u, 0, 3, false) + !!f.tryOpenIOStream(u, 0, 3, false) +
           !!f.tryOpenResetableIOStream(u, 0, 3, false) +
           !!f.tryOpenSeekableIOStream(u, 0, 3, false);
}

// How many of the nine throwing operations throw CFileNotFoundError with the URI's text.
int notFoundAll(IStreamFactory& f, IURI* u) {
    const std::function<void()> opens[] = {[&] { f.openInStream(u, 1); },
                                           [&] { f.openResetableInStream(u, 1); },
                                           [&] { f.openSeekableInStream(u, 1); },
                                           [&] { f.openOutStream(u, 0, 3, false); },
                                           [&] { f.openResetableOutStream(u, 0, 3, false); },
                                           [&] { f.openSeekableOutStream(u, 0, 3, false); },
                                           [&] { f.openIOStream(u, 0, 3, false); },
                                           [&] { f.openResetableIOStream(u, 0, 3, false); },
                                           [&] { f.openSeekableIOStream(u, 0, 3, false); }};
    int count = 0;
    for (const auto& open : opens)
        count += thrownMessage<CFileNotFoundError>(open) ==
                 "The file '" + s(u->toString()) + "' was not found.";
    return count;
}

} // namespace

TEST(StreamManager, FactoriesAreAskedInOrderUntilOneAnswersOrFails) {
    auto manager = make<CStreamManager>();
    auto silent = make<CScriptedFactory>(Scripted::nothing);
    auto answering = make<CScriptedFactory>(Scripted::stream);
    auto uri = make<CURI>("mem://x");
    manager->addFactory(silent.get());
    manager->addFactory(answering.get());
    EXPECT_EQ(tryAll(*manager, uri.get()), 9);
    EXPECT_EQ(notFoundAll(*manager, uri.get()), 0);
    EXPECT_EQ(silent->asked, 18);
    EXPECT_EQ(answering->asked, 18);

    // A failing factory ends the search, and gives the manager's lock back.
    auto failing = make<CScriptedFactory>(Scripted::failure);
    manager->removeFactory(answering.get());
    manager->addFactory(failing.get());
    manager->addFactory(answering.get());
    EXPECT_THROW(manager->openIOStream(uri.get(), 0, 2, false), CFileAccessDeniedError);
    EXPECT_EQ(answering->asked, 18);
    manager->removeFactory(failing.get());
    EXPECT_TRUE(manager->openInStream(uri.get(), 1));
}

TEST(StreamManager, ASchemeNoFactoryHandlesIsNotFound) {
    P<IStreamManager> manager = getStreamManager();
    auto uri = make<CURI>("mem://block/7");
    EXPECT_EQ(tryAll(*manager, uri.get()), 0);
    EXPECT_EQ(notFoundAll(*manager, uri.get()), 9);
}

TEST_F(DiskTest, TheManagerReadsAndWritesFilesWithAndWithoutTheFileScheme) {
    P<IStreamManager> manager = getStreamManager();
    P<IOutStream> out = manager->openOutStream(pathURI("plain.txt").get(), 0, 2, false);
    out->write("scheme-less", 11);
    out->close();
    P<IInStream> in = manager->openInStream(fileURI("plain.txt").get(), 1);
    char buffer[32];
    EXPECT_EQ(in->read(buffer, sizeof buffer), 11);
    EXPECT_EQ(std::string(buffer, 11), "scheme-less");

    // Escaped characters name the decoded path.
    P<IURI> spaced = getPathes()->getFileURI(pathOf("two words.txt").c_str());
    P<ISeekableIOStream> io = manager->openSeekableIOStream(spaced.get(), 0, 3, false);
    io->write("abc", 3);
    io->close();
    EXPECT_EQ(readFile("two words.txt"), "abc");
}

TEST_F(DiskTest, AnEncoderOpenTruncatesAndKeepsReadersOut) {
    writeFile("song.flac", "old content that must go");
    P<IStreamManager> manager = getStreamManager();
    P<IURI> uri = fileURI("song.flac");
    P<ISeekableOutStream> out = manager->openSeekableOutStream(uri.get(), 0, 2, false);
    EXPECT_EQ(out->getLength(), 0);
    out->write("fLaC", 4);
    EXPECT_TRUE(refusedAsInUse([&] { manager->openSeekableInStream(uri.get(), 1); }));
    out->close();
    P<ISeekableInStream> in = manager->openSeekableInStream(uri.get(), 1);
    EXPECT_EQ(in->getLength(), 4);
}

// A name that is not UTF-8 opens its own file, never the one its bytes would name after
// being read as text (with U+FFFD, or without the odd byte).
TEST_F(DiskTest, FileNamesThatAreNotUTF8OpenThemselves) {
    const std::string latin1 = "caf\xE9.flac";
    writeFile(latin1, "latin-1");
    writeFile("caf\xEF\xBF\xBD.flac", "replacement");
    writeFile("caf.flac", "skipped");
    P<IStreamManager> manager = getStreamManager();
    const std::string folderText = s(getPathes()->getFileURI(m_folder.c_str())->toString());
    const P<IURI> uris[] = {getPathes()->getFileURI(pathOf(latin1).c_str()), pathURI(latin1),
                            fileURI(latin1), make<CURI>((folderText + "/caf%E9.flac").c_str())};
    for (const P<IURI>& uri : uris) {
        P<IInStream> in = manager->openInStream(uri.get(), 1);
        char buffer[32];
        int32_t got = in->read(buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "latin-1") << s(uri->toString());
    }

    // Written through a URI, the file gets the very bytes of the name.
    P<IOutStream> out = manager->openOutStream(
        make<CURI>((folderText + "/%FF%FEnew.bin").c_str()).get(), 0, 2, false);
    out->write("x", 1);
    out->close();
    EXPECT_EQ(readFile("\xFF\xFEnew.bin"), "x");
}
