#include "diskTestSupport.h"

#include "logTestSupport.h"

#include "tamu/CObjectError.h"
#include "tamu/CURIError.h"
#include "tamu/IString.h"
#include "tamu/posix/CDiskIOStream.h"
#include "tamu/posix/CDiskInStream.h"
#include "tamu/posix/CDiskOutStream.h"
#include "tamu/stringConv.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <initializer_list>
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

TEST_F(DiskTest, MissingFilesAndFoldersAreNotFound) {
    writeFile("plain", "x");
    for (const char* name : {"nothing.flac", "no-folder/new.flac", "plain/under-a-file"}) {
        EXPECT_THROW(make<CDiskInStream>(fileURI(name).get(), 1), CFileNotFoundError) << name;
        EXPECT_THROW(make<CDiskOutStream>(fileURI(name).get(), 0, 1, false), CFileNotFoundError)
            << name;
    }
    // Creating needs the folder to exist.
    EXPECT_EQ(thrownMessage<CFileNotFoundError>(
                  [&] { make<CDiskOutStream>(fileURI("no-folder/new.flac").get(), 0, 2, false); }),
              "The file '" + s(fileURI("no-folder/new.flac")->toString()) + "' was not found.");
    // Only file and scheme-less URIs name local files.
    auto remote = make<CURI>(("net://host" + pathOf("plain")).c_str());
    EXPECT_THROW(make<CDiskInStream>(remote.get(), 1), CFileNotFoundError);
}

TEST_F(DiskTest, FoldersAndFilesWithoutPermissionAreAccessDenied) {
    EXPECT_THROW(make<CDiskInStream>(pathURI("").get(), 1), CFileAccessDeniedError);

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

TEST_F(DiskTest, CreationKindsCreateTruncateOrKeep) {
    writeFile("kept", "abc");
    EXPECT_EQ(make<CDiskOutStream>(fileURI("kept").get(), 0, 3, false)->getLength(), 3);
    EXPECT_EQ(make<CDiskOutStream>(fileURI("new").get(), 0, 3, false)->getLength(), 0);
    // Truncation does not depend on write access.
    make<CDiskIOStream>(fileURI("kept").get(), 0, 2, CDiskIOStream::readAccess, false);
    EXPECT_EQ(readFile("kept"), "");
}

TEST_F(DiskTest, EndOfFileSkipAndSeekPastTheEnd) {
    writeFile("ten", "0123456789");
    auto stream = make<CDiskInStream>(pathURI("ten").get(), 1);
    char buffer[16];
    EXPECT_EQ(stream->read(buffer, 16), 10);
    EXPECT_TRUE(stream->isEOF());
    EXPECT_EQ(thrownMessage<CEndOfStreamError>([&] { stream->readFully(buffer, 1); }),
              "Unexpected end of data stream.");
    stream->seek(5);
    EXPECT_EQ(stream->skip(100), 5);
    stream->seek(25);
    EXPECT_TRUE(stream->isEOF());
    EXPECT_EQ(stream->read(buffer, 4), 0);
    stream->skipFully(5);
    EXPECT_EQ(stream->getPosition(), 30);
    stream->seekFromEnd(-3);
    EXPECT_EQ(stream->read(buffer, 16), 3);
    EXPECT_EQ(buffer[2], '9');
}

// A system error, as for any positioning the file refuses; the stream stays where it was.
TEST_F(DiskTest, SeekingBeforeTheStartFailsAsThePlatformDoes) {
    writeFile("ten", "0123456789");
    auto stream = make<CDiskIOStream>(fileURI("ten").get(), 0, 1, readWrite, false);
    stream->seek(4);
    const std::string beforeStart =
        "An attempt was made to move the file pointer before the beginning of the file.";
    for (auto move : std::initializer_list<std::function<void()>>{
             [&] { stream->seek(-1); }, [&] { stream->seekRelative(-5); },
             [&] { stream->seekFromEnd(-11); }, [&] { stream->skipFully(-5); }}) {
        try {
            move();
            ADD_FAILURE() << "moved before the start";
        } catch (const CObjectError& error) {
            ADD_FAILURE() << "an argument error: " << error.what();
        } catch (const CError& error) {
            EXPECT_EQ(s(error.getMessage()), beforeStart);
        }
        EXPECT_EQ(stream->getPosition(), 4);
    }
    char byte = 0;
    EXPECT_EQ(stream->read(&byte, 1), 1);
    EXPECT_EQ(byte, '4');
}

// skip stops at the end of the file: moving forwards it takes what is left, and from beyond
// the end it goes back to the end and answers the distance, below zero.
TEST_F(DiskTest, SkipIsCutToTheEndFromEitherSide) {
    writeFile("ten", "0123456789");
    auto stream = make<CDiskInStream>(fileURI("ten").get(), 1);
    stream->seek(14);
    EXPECT_EQ(stream->skip(3), -4);
    EXPECT_EQ(stream->getPosition(), 10);
    EXPECT_EQ(stream->skipPartial(3), 0);
    stream->seek(6);
    EXPECT_EQ(stream->skip(-2), -2);
    EXPECT_EQ(stream->getPosition(), 4);
    EXPECT_EQ(stream->skip(2), 2);
    stream->skipFully(-6);
    EXPECT_EQ(stream->getPosition(), 0);
}

TEST_F(DiskTest, FilesBeyondFourGigabytesKeepTheirFullPositionsLengthAndHoles) {
    const int64_t far = (int64_t(5) << 30) + 7;
    auto stream = make<CDiskIOStream>(fileURI("sparse").get(), 0, 2, readWrite, true);
    stream->seek(far);
    stream->write("tail", 4);
    EXPECT_EQ(stream->getLength(), far + 4);
    // Relative moves across the 4 GiB mark in both directions.
    stream->seekRelative(-far);
    EXPECT_EQ(stream->getPosition(), 4);
    stream->seekRelative(far - 4 + 1);
    EXPECT_EQ(stream->skip(100), 3);
    // What lies between was never written and reads as zeros.
    stream->seekFromEnd(-6);
    char tail[4];
    stream->readFully(tail, 4);
    EXPECT_EQ(std::memcmp(tail, "\0\0ta", 4), 0);
}

TEST_F(DiskTest, ClosingTwiceIsHarmlessAndTransfersAfterwardsFail) {
    writeFile("c", "abc");
    auto stream = make<CDiskIOStream>(fileURI("c").get(), 0, 1, readWrite, false);
    stream->close();
    stream->close();
    char buffer[3];
    EXPECT_EQ(thrownMessage<CStreamClosedError>([&] { stream->read(buffer, 3); }),
              "The stream has been closed.");
    // The lock went with the descriptor.
    EXPECT_NO_THROW(make<CDiskOutStream>(fileURI("c").get(), 0, 1, false));
}

TEST_F(DiskTest, DeleteOnCloseRemovesTheFileAtCloseOrDestructionOnly) {
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
    EXPECT_EQ(make<CDiskInStream>(uri.get(), 1)->getLength(), 7);
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
