#include "diskTestSupport.h"

#include "logTestSupport.h"

#include "tamu/CMemoryIOStream.h"
#include "tamu/CObjectError.h"
#include "tamu/CURIError.h"
#include "tamu/IMemoryBlock.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/posix/CDiskIOStream.h"
#include "tamu/posix/CDiskInStream.h"
#include "tamu/posix/CDiskOutStream.h"
#include "tamu/stringConv.h"

#include <chrono>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tamu;
using posix::CDiskInStream;
using posix::CDiskIOStream;
using posix::CDiskOutStream;

namespace {

constexpr int32_t readWrite = CDiskIOStream::readAccess | CDiskIOStream::writeAccess;

std::string readAll(ISeekableInStream& stream) {
    std::string text(static_cast<size_t>(stream.getLength()), '\0');
    stream.seek(0);
    stream.readFully(text.data(), static_cast<int32_t>(text.size()));
    return text;
}

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One byte through a pipe: the other process has reached a given point.
void signalPipe(int fd) {
    char byte = 1;
    ASSERT_EQ(write(fd, &byte, 1), 1);
}

void waitPipe(int fd) {
    char byte = 0;
    ASSERT_EQ(read(fd, &byte, 1), 1);
}

// The disk streams' log lines as "level message".
class CLockLog : public CQuietLog {
public:
    void log(int32_t level, const P<IString>&, const P<IString>& message, int32_t,
             int32_t) override {
        lines.push_back(std::to_string(level) + " " + s(message));
    }

    std::vector<std::string> lines;
};

} // namespace

TEST_F(DiskTest, WrittenBytesReadBackAtTheirPositionsAndMarkersReturnThere) {
    auto stream = make<CDiskIOStream>(fileURI("data.bin").get(), 0, 2, readWrite, false);
    stream->write("hello, ", 7);
    EXPECT_EQ(stream->writeCounted("world", 5), 5);
    EXPECT_EQ(stream->getLength(), 12);
    EXPECT_EQ(stream->getPosition(), 12);

    stream->seek(7);
    P<IStreamMarker> marker = stream->createMarker();
    char word[5];
    stream->readFully(word, 5);
    EXPECT_EQ(std::string(word, 5), "world");
    EXPECT_TRUE(stream->isEOF());
    stream->resetToMarker(*marker);
    EXPECT_EQ(stream->getPosition(), 7);
    stream->seekFromEnd(-12);
    stream->write("J", 1);
    stream->flush();
    EXPECT_EQ(readFile("data.bin"), "Jello, world");

    // A marker of a memory stream means nothing to a disk stream.
    P<IStreamMarker> foreign = make<CMemoryIOStream>()->createMarker();
    EXPECT_THROW(stream->resetToMarker(*foreign), CCastError);
    EXPECT_TRUE(stream->getURI()->equals(*fileURI("data.bin")));
}

TEST_F(DiskTest, MissingFilesAndFoldersAreNotFound) {
    writeFile("plain", "x");
    const char* missing[] = {"nothing.flac", "no-folder/new.flac", "plain/under-a-file"};
    for (const char* name : missing) {
        EXPECT_THROW(make<CDiskInStream>(fileURI(name).get(), 1), CFileNotFoundError) << name;
        EXPECT_THROW(make<CDiskOutStream>(fileURI(name).get(), 0, 1, false), CFileNotFoundError)
            << name;
    }
    // Creating needs the folder to exist.
    EXPECT_EQ(thrownMessage<CFileNotFoundError>(
                  [&] { make<CDiskOutStream>(fileURI("no-folder/new.flac").get(), 0, 2, false); }),
              "The file '" + s(fileURI("no-folder/new.flac")->toString()) + "' was not found.");
    EXPECT_FALSE(exists("no-folder"));
    // Only file and scheme-less URIs name local files; the file system is not asked.
    auto remote = make<CURI>(("net://host" + pathOf("plain")).c_str());
    EXPECT_THROW(make<CDiskInStream>(remote.get(), 1), CFileNotFoundError);
    EXPECT_THROW(make<CDiskInStream>(make<CURI>("file://host").get(), 1), CFileNotFoundError);
}

TEST_F(DiskTest, FoldersAndFilesWithoutPermissionAreAccessDenied) {
    EXPECT_THROW(make<CDiskInStream>(pathURI("").get(), 1), CFileAccessDeniedError);
    EXPECT_THROW(make<CDiskOutStream>(pathURI("").get(), 0, 3, false), CFileAccessDeniedError);

    writeFile("secret", "x");
    ASSERT_EQ(chmod(pathOf("secret").c_str(), 0), 0);
    ASSERT_EQ(chmod(m_folder.c_str(), 0755), 0);
    // Root reads anything; the open is tried by a child that gives its rights up first.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        std::string message = thrownMessage<CFileAccessDeniedError>(
            [&] { make<CDiskInStream>(fileURI("secret").get(), 1); });
        _exit(message == "Access to the file '" + s(fileURI("secret")->toString()) + "' was denied."
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "cannot switch to an unprivileged user to test file permissions";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "no CFileAccessDeniedError with its message";
}

TEST_F(DiskTest, KindsOutsideTheirRangesAreInvalidArguments) {
    writeFile("a", "x");
    P<IURI> uri = fileURI("a");
    EXPECT_THROW(make<CDiskIOStream>(uri.get(), 3, 1, readWrite, false), CInvalidArgError);
    EXPECT_THROW(make<CDiskIOStream>(uri.get(), -1, 1, readWrite, false), CInvalidArgError);
    EXPECT_THROW(make<CDiskIOStream>(uri.get(), 0, 0, readWrite, false), CInvalidArgError);
    EXPECT_THROW(make<CDiskIOStream>(uri.get(), 0, 4, readWrite, false), CInvalidArgError);
    EXPECT_THROW(make<CDiskIOStream>(uri.get(), 0, 1, 0, false), CInvalidArgError);
    EXPECT_EQ(readFile("a"), "x");
}

TEST_F(DiskTest, CreationKindsCreateTruncateOrKeep) {
    writeFile("kept", "abc");
    EXPECT_EQ(make<CDiskOutStream>(fileURI("kept").get(), 0, 3, false)->getLength(), 3);
    EXPECT_EQ(make<CDiskOutStream>(fileURI("new").get(), 0, 3, false)->getLength(), 0);
    EXPECT_TRUE(exists("new"));
    // Truncation does not depend on write access.
    EXPECT_EQ(make<CDiskIOStream>(fileURI("kept").get(), 0, 2, CDiskIOStream::readAccess, false)
                  ->getLength(),
              0);
    EXPECT_EQ(readFile("kept"), "");
}

TEST_F(DiskTest, EndOfFileSkipAndSeekPastTheEnd) {
    writeFile("ten", "0123456789");
    auto stream = make<CDiskInStream>(pathURI("ten").get(), 1);
    char buffer[16];
    EXPECT_EQ(stream->read(buffer, 16), 10);
    EXPECT_TRUE(stream->isEOF());
    EXPECT_EQ(stream->read(buffer, 16), 0);
    EXPECT_EQ(thrownMessage<CEndOfStreamError>([&] { stream->readFully(buffer, 1); }),
              "Unexpected end of data stream.");

    stream->seek(5);
    EXPECT_EQ(stream->skip(100), 5);
    EXPECT_EQ(stream->getPosition(), 10);
    EXPECT_EQ(stream->skip(1), 0);

    stream->seek(25);
    EXPECT_EQ(stream->getPosition(), 25);
    EXPECT_TRUE(stream->isEOF());
    EXPECT_EQ(stream->read(buffer, 4), 0);
    EXPECT_EQ(stream->skip(4), 0);
    stream->skipFully(5);
    EXPECT_EQ(stream->getPosition(), 30);
    EXPECT_THROW(stream->seekRelative(-31), CInvalidArgError);
    EXPECT_THROW(stream->seek(-1), CInvalidArgError);
    EXPECT_EQ(stream->getPosition(), 30);
    stream->seekFromEnd(-3);
    EXPECT_EQ(stream->read(buffer, 16), 3);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_THROW(stream->read(buffer, -1), CInvalidArgError);
}

TEST_F(DiskTest, FilesBeyondFourGigabytesKeepTheirFullPositionsLengthAndHoles) {
    const int64_t far = (int64_t(5) << 30) + 7;
    auto stream = make<CDiskIOStream>(fileURI("sparse").get(), 0, 2, readWrite, true);
    stream->seek(far);
    stream->write("tail", 4);
    EXPECT_EQ(stream->getLength(), far + 4);
    EXPECT_EQ(stream->getPosition(), far + 4);

    stream->seekFromEnd(-4);
    EXPECT_EQ(stream->getPosition(), far);
    char tail[4];
    stream->readFully(tail, 4);
    EXPECT_EQ(std::memcmp(tail, "tail", 4), 0);
    // Relative moves across the 4 GiB mark in both directions.
    stream->seekRelative(-far);
    EXPECT_EQ(stream->getPosition(), 4);
    stream->seekRelative(far - 4 + 1);
    P<IStreamMarker> marker = stream->createMarker();
    stream->seek(0);
    stream->resetToMarker(*marker);
    EXPECT_EQ(stream->getPosition(), far + 1);
    EXPECT_EQ(stream->skip(100), 3);
    // What lies between was never written and reads as zeros.
    stream->seek(far - 2);
    stream->readFully(tail, 4);
    EXPECT_EQ(std::memcmp(tail, "\0\0ta", 4), 0);
}

TEST_F(DiskTest, ClosingTwiceIsHarmlessAndTransfersAfterwardsFail) {
    writeFile("c", "abc");
    auto stream = make<CDiskIOStream>(fileURI("c").get(), 0, 1, readWrite, false);
    EXPECT_FALSE(stream->isClosed());
    stream->close();
    stream->close();
    EXPECT_TRUE(stream->isClosed());
    char buffer[3];
    EXPECT_EQ(thrownMessage<CStreamClosedError>([&] { stream->read(buffer, 3); }),
              "The stream has been closed.");
    EXPECT_THROW(stream->write("x", 1), CStreamClosedError);
    EXPECT_THROW(stream->seek(0), CStreamClosedError);
    EXPECT_THROW(stream->getLength(), CStreamClosedError);
    EXPECT_THROW(stream->flush(), CStreamClosedError);
    EXPECT_TRUE(stream->getURI());
    // The lock went with the descriptor.
    EXPECT_NO_THROW(make<CDiskOutStream>(fileURI("c").get(), 0, 1, false));
}

TEST_F(DiskTest, DeleteOnCloseRemovesTheFileAtCloseOrDestructionOnly) {
    auto stream = make<CDiskOutStream>(fileURI("temp").get(), 0, 2, true);
    stream->write("x", 1);
    EXPECT_TRUE(exists("temp"));
    stream->close();
    EXPECT_FALSE(exists("temp"));

    make<CDiskOutStream>(fileURI("dropped").get(), 0, 3, true);
    EXPECT_FALSE(exists("dropped"));
    make<CDiskOutStream>(fileURI("kept").get(), 0, 3, false);
    EXPECT_TRUE(exists("kept"));

    // A relative URI keeps naming the file it was opened as when the folder changes.
    std::string before = std::filesystem::current_path();
    ASSERT_EQ(chdir(m_folder.c_str()), 0);
    auto relative = make<CDiskOutStream>(make<CURI>("relative.tmp").get(), 0, 2, true);
    ASSERT_EQ(chdir(before.c_str()), 0);
    EXPECT_TRUE(exists("relative.tmp"));
    relative->close();
    EXPECT_FALSE(exists("relative.tmp"));
}

TEST_F(DiskTest, OneDirectionStreamsHaveNoAccessTheOtherWay) {
    writeFile("one", "abc");
    auto in = make<CDiskInStream>(fileURI("one").get(), 2);
    EXPECT_FALSE(tryInterfaceCast<IOutStream>(P<IInStream>(in)));
    auto out = make<CDiskOutStream>(fileURI("one").get(), 2, 3, false);
    EXPECT_FALSE(tryInterfaceCast<IInStream>(P<IOutStream>(out)));
    out->seekFromEnd(0);
    out->write("d", 1);
    EXPECT_EQ(readAll(*in), "abcd");
}

TEST_F(DiskTest, SharingIsEnforcedBetweenOpensOfOneProcess) {
    writeFile("shared", "content");
    P<IURI> uri = fileURI("shared");
    {
        auto writer = make<CDiskOutStream>(uri.get(), 0, 1, false);
        auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(refusedAsInUse([&] { make<CDiskInStream>(uri.get(), 1); }));
        EXPECT_LT(secondsSince(start), 1.0) << "readers do not wait";
        // A refused open that would truncate leaves the holder's file as it is.
        EXPECT_THROW(make<CDiskIOStream>(uri.get(), 0, 2, CDiskIOStream::readAccess, false),
                     CError);
        EXPECT_EQ(writer->getLength(), 7);
    }
    auto first = make<CDiskInStream>(uri.get(), 1);
    auto second = make<CDiskInStream>(uri.get(), 1);
    EXPECT_EQ(readAll(*second), "content");
    // Nothing is locked for shareKind 2.
    EXPECT_NO_THROW(make<CDiskIOStream>(uri.get(), 2, 1, readWrite, false));
}

TEST_F(DiskTest, SharingIsEnforcedAcrossProcessesAndWritersWaitAboutThreeSeconds) {
    writeFile("file", "0123");
    int toParent[2];
    int toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(toParent[0]);
        close(toChild[1]);
        auto writer = make<CDiskOutStream>(fileURI("file").get(), 0, 1, false);
        signalPipe(toParent[1]);
        waitPipe(toChild[0]);
        writer->close();
        auto reader = make<CDiskInStream>(fileURI("file").get(), 1);
        signalPipe(toParent[1]);
        waitPipe(toChild[0]);
        // Let go while the parent's writer is still trying.
        usleep(600 * 1000);
        reader->close();
        _exit(0);
    }
    close(toParent[1]);
    close(toChild[0]);

    waitPipe(toParent[0]);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(refusedAsInUse([&] { make<CDiskInStream>(fileURI("file").get(), 1); }));
    EXPECT_LT(secondsSince(start), 1.0) << "readers do not wait";

    signalPipe(toChild[1]);
    waitPipe(toParent[0]);
    auto lockLog = make<CLockLog>();
    getLogManager()->addListener(str("CDiskIOStream"), lockLog.get());
    const std::string uriText = s(fileURI("file")->toString());
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(refusedAsInUse([&] { make<CDiskOutStream>(fileURI("file").get(), 0, 3, false); }));
    double waited = secondsSince(start);
    EXPECT_GT(waited, 2.7);
    EXPECT_LT(waited, 4.5);
    // One line when the wait begins and one when it is given up, none per attempt.
    EXPECT_EQ(lockLog->lines,
              (std::vector<std::string>{"1 CDiskIOStream: " + uriText + " is in use, retrying",
                                        "2 CDiskIOStream: " + uriText +
                                            " still in use after 12 retries"}));
    getLogManager()->removeListener(str("CDiskIOStream"), lockLog.get());

    // Released during the retries: the writer gets the file.
    signalPipe(toChild[1]);
    start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(make<CDiskOutStream>(fileURI("file").get(), 1, 1, false));
    EXPECT_LT(secondsSince(start), 2.0);

    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(toParent[0]);
    close(toChild[1]);
}
