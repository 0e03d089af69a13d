#include "diskTestSupport.h"

#include "tamu/CMemoryIOStream.h"
#include "tamu/CStreamManager.h"
#include "tamu/CURIError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IPathes.h"
#include "tamu/IStreamManager.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/platformServices.h"
#include "tamu/stringConv.h"

#include <functional>
#include <stdexcept>
#include <vector>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

// A factory that answers every URI with a memory stream, with nothing, or with an exception,
// and counts how often it was asked.
class CScriptedFactory : public CStreamFactory {
public:
    enum class Answer { stream, nothing, failure };

    explicit CScriptedFactory(Answer answer) : m_answer(answer) {}

    int asked = 0;

    P<IInStream> tryOpenInStream(IURI*, int32_t) override { return answer(); }
    P<IResetableInStream> tryOpenResetableInStream(IURI*, int32_t) override { return answer(); }
    P<ISeekableInStream> tryOpenSeekableInStream(IURI*, int32_t) override { return answer(); }
    P<IOutStream> tryOpenOutStream(IURI*, int32_t, int32_t, bool) override { return answer(); }
    P<IResetableOutStream> tryOpenResetableOutStream(IURI*, int32_t, int32_t, bool) override {
        return answer();
    }
    P<ISeekableOutStream> tryOpenSeekableOutStream(IURI*, int32_t, int32_t, bool) override {
        return answer();
    }
    P<IIOStream> tryOpenIOStream(IURI*, int32_t, int32_t, bool) override { return answer(); }
    P<IResetableIOStream> tryOpenResetableIOStream(IURI*, int32_t, int32_t, bool) override {
        return answer();
    }
    P<ISeekableIOStream> tryOpenSeekableIOStream(IURI*, int32_t, int32_t, bool) override {
        return answer();
    }

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

// Each of the nine "try" operations, and each of the nine throwing ones.
std::vector<std::function<P<IBase>(IStreamFactory&, IURI*)>> tryOperations() {
    return {
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.tryOpenInStream(u, 1)); },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.tryOpenResetableInStream(u, 1)); },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.tryOpenSeekableInStream(u, 1)); },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.tryOpenOutStream(u, 0, 3, false)); },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.tryOpenResetableOutStream(u, 0, 3, false));
        },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.tryOpenSeekableOutStream(u, 0, 3, false));
        },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.tryOpenIOStream(u, 0, 3, false)); },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.tryOpenResetableIOStream(u, 0, 3, false));
        },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.tryOpenSeekableIOStream(u, 0, 3, false));
        },
    };
}

std::vector<std::function<P<IBase>(IStreamFactory&, IURI*)>> throwingOperations() {
    return {
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.openInStream(u, 1)); },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.openResetableInStream(u, 1)); },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.openSeekableInStream(u, 1)); },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.openOutStream(u, 0, 3, false)); },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.openResetableOutStream(u, 0, 3, false));
        },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.openSeekableOutStream(u, 0, 3, false));
        },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.openIOStream(u, 0, 3, false)); },
        [](IStreamFactory& f, IURI* u) {
            return P<IBase>(f.openResetableIOStream(u, 0, 3, false));
        },
        [](IStreamFactory& f, IURI* u) { return P<IBase>(f.openSeekableIOStream(u, 0, 3, false)); },
    };
}

} // namespace

TEST(StreamManager, FactoriesAreAskedInOrderUntilOneAnswers) {
    auto manager = make<CStreamManager>();
    auto silent = make<CScriptedFactory>(Scripted::nothing);
    auto answering = make<CScriptedFactory>(Scripted::stream);
    auto late = make<CScriptedFactory>(Scripted::stream);
    manager->addFactory(silent.get());
    manager->addFactory(answering.get());
    manager->addFactory(late.get());
    auto uri = make<CURI>("mem://x");

    int operations = 0;
    for (auto& open : tryOperations()) {
        EXPECT_TRUE(open(*manager, uri.get()));
        ++operations;
    }
    for (auto& open : throwingOperations()) {
        EXPECT_TRUE(open(*manager, uri.get()));
        ++operations;
    }
    EXPECT_EQ(silent->asked, operations);
    EXPECT_EQ(answering->asked, operations);
    EXPECT_EQ(late->asked, 0);
}

TEST(StreamManager, AFactoryAddedTwiceIsAskedTwiceAndRemovedOnceACall) {
    auto manager = make<CStreamManager>();
    auto silent = make<CScriptedFactory>(Scripted::nothing);
    auto other = make<CScriptedFactory>(Scripted::nothing);
    auto uri = make<CURI>("mem://x");
    manager->addFactory(silent.get());
    manager->addFactory(other.get());
    manager->addFactory(silent.get());
    EXPECT_FALSE(manager->tryOpenInStream(uri.get(), 1));
    EXPECT_EQ(silent->asked, 2);

    manager->removeFactory(silent.get());
    EXPECT_FALSE(manager->tryOpenInStream(uri.get(), 1));
    EXPECT_EQ(silent->asked, 3);
    EXPECT_EQ(other->asked, 2);

    // One that was never added changes nothing.
    manager->removeFactory(make<CScriptedFactory>(Scripted::nothing).get());
    EXPECT_FALSE(manager->tryOpenInStream(uri.get(), 1));
    EXPECT_EQ(silent->asked, 4);

    manager->removeFactory(silent.get());
    EXPECT_FALSE(manager->tryOpenInStream(uri.get(), 1));
    EXPECT_EQ(silent->asked, 4);
    EXPECT_EQ(other->asked, 4);
    // The manager no longer holds the factory it removed.
    EXPECT_EQ(silent->getRefCount(), 1);
}

TEST(StreamManager, AFailingFactoryEndsTheSearch) {
    auto manager = make<CStreamManager>();
    auto failing = make<CScriptedFactory>(Scripted::failure);
    auto answering = make<CScriptedFactory>(Scripted::stream);
    manager->addFactory(failing.get());
    manager->addFactory(answering.get());
    auto uri = make<CURI>("mem://x");
    EXPECT_THROW(manager->tryOpenSeekableOutStream(uri.get(), 0, 2, false), CFileAccessDeniedError);
    EXPECT_THROW(manager->openIOStream(uri.get(), 0, 2, false), CFileAccessDeniedError);
    EXPECT_EQ(answering->asked, 0);
    // The lock was given back.
    manager->removeFactory(failing.get());
    EXPECT_TRUE(manager->openInStream(uri.get(), 1));
}

TEST(StreamManager, ASchemeNoFactoryHandlesIsNotFound) {
    P<IStreamManager> manager = getStreamManager();
    EXPECT_EQ(manager.get(), getStreamManager().get());
    auto uri = make<CURI>("mem://block/7");
    for (auto& open : tryOperations())
        EXPECT_FALSE(open(*manager, uri.get()));
    for (auto& open : throwingOperations()) {
        try {
            open(*manager, uri.get());
            ADD_FAILURE() << "a mem URI was opened";
        } catch (const CFileNotFoundError& error) {
            EXPECT_EQ(s(error.getMessage()), "The file 'mem://block/7' was not found.");
            EXPECT_TRUE(error.getURI()->equals(*uri));
        }
    }
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
    EXPECT_TRUE(in->getURI()->isScheme("file"));

    // Escaped characters name the decoded path.
    P<IURI> spaced = getPathes()->getFileURI(pathOf("two words.txt").c_str());
    EXPECT_NE(s(spaced->toString()).find("two%20words"), std::string::npos);
    P<ISeekableIOStream> io = manager->openSeekableIOStream(spaced.get(), 0, 3, false);
    io->write("abc", 3);
    io->seek(1);
    EXPECT_EQ(io->read(buffer, 8), 2);
    io->close();
    EXPECT_EQ(readFile("two words.txt"), "abc");

    EXPECT_THROW(manager->openInStream(fileURI("absent").get(), 1), CFileNotFoundError);
    EXPECT_FALSE(exists("absent"));
}

TEST_F(DiskTest, AnEncoderOpenTruncatesAndKeepsReadersOut) {
    writeFile("song.flac", "old content that must go");
    P<IStreamManager> manager = getStreamManager();
    P<IURI> uri = fileURI("song.flac");
    P<ISeekableOutStream> out = manager->openSeekableOutStream(uri.get(), 0, 2, false);
    EXPECT_EQ(out->getLength(), 0);
    out->write("fLaC", 4);
    try {
        manager->openSeekableInStream(uri.get(), 1);
        FAIL() << "a reader opened a file being written";
    } catch (const CFileError&) {
        FAIL() << "a sharing violation reported as a file error";
    } catch (const CError&) {
    }
    out->close();
    P<ISeekableInStream> in = manager->openSeekableInStream(uri.get(), 1);
    EXPECT_EQ(in->getLength(), 4);
}

TEST(Pathes, LocalPathsAreTheDecodedPathsOfFileURIs) {
    P<IPathes> pathes = getPathes();
    EXPECT_EQ(s(pathes->getLocalPath(CURI("file:///music/a%20b.flac"), 0)), "/music/a b.flac");
    EXPECT_EQ(s(pathes->getLocalPath(CURI("/music/x.flac"), IPathes::absolutePath)),
              "/music/x.flac");
    EXPECT_FALSE(pathes->getLocalPath(CURI("net://host/x.flac"), 0));
    std::string cwd = std::filesystem::current_path();
    EXPECT_EQ(s(pathes->getLocalPath(CURI("sub/x.flac"), 0)), "sub/x.flac");
    EXPECT_EQ(s(pathes->getLocalPath(CURI("sub/x.flac"), IPathes::absolutePath)),
              (cwd == "/" ? "" : cwd) + "/sub/x.flac");
    EXPECT_TRUE(pathes->getFileURI("sub/x.flac")->isRelative());
    EXPECT_EQ(s(pathes->getLocalPath(*pathes->getFileURI("/a b/%.txt"), 0)), "/a b/%.txt");
}
