#include "diskTestSupport.h"

#include "tamu/CObjectError.h"
#include "tamu/posix/CDiskIOStream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tamu;
using posix::CDiskIOStream;

namespace {

constexpr int32_t readOnly = CDiskIOStream::readAccess;
constexpr int32_t writeOnly = CDiskIOStream::writeAccess;
constexpr int32_t readWrite = readOnly | writeOnly;

struct Open {
    int32_t access;
    int32_t shareKind;
};

std::string describe(const Open& open) {
    const char* access = open.access == readOnly    ? "read"
                         : open.access == writeOnly ? "write"
                                                    : "read+write";
    return std::string(access) + " sharing " + std::to_string(open.shareKind);
}

// Every access an open may ask for, with every share kind.
std::vector<Open> allOpens() {
    std::vector<Open> opens;
    for (int32_t access : {readOnly, writeOnly, readWrite})
        for (int32_t shareKind : {0, 1, 2})
            opens.push_back({access, shareKind});
    return opens;
}

// The accesses a share kind grants to other opens: none, reading, reading and writing.
int32_t granted(int32_t shareKind) {
    return shareKind == 0 ? 0 : shareKind == 1 ? readOnly : readWrite;
}

// Two opens of one file coexist when each grants all the other asks for.
bool compatible(const Open& held, const Open& next) {
    return (next.access & ~granted(held.shareKind)) == 0 &&
           (held.access & ~granted(next.shareKind)) == 0;
}

enum class Outcome { opened, refused, failed };

struct Trial {
    Outcome outcome = Outcome::failed;
    double seconds = 0;
};

class ShareModeTest : public DiskTest {
protected:
    std::string fileFor(size_t held, size_t next) const {
        return "m" + std::to_string(held) + "-" + std::to_string(next);
    }

    P<CDiskIOStream> open(const std::string& name, const Open& how) const {
        return make<CDiskIOStream>(fileURI(name).get(), how.shareKind, 1, how.access, false);
    }

    // The second opens, one file per pair and all at once, so that the writers' waits overlap.
    std::vector<Trial> tryAll(const std::vector<Open>& opens) const {
        std::vector<Trial> trials(opens.size() * opens.size());
        std::vector<std::thread> threads;
        for (size_t held = 0; held < opens.size(); ++held) {
            for (size_t next = 0; next < opens.size(); ++next) {
                threads.emplace_back([&, held, next] {
                    Trial& trial = trials[held * opens.size() + next];
                    const auto start = std::chrono::steady_clock::now();
                    try {
                        open(fileFor(held, next), opens[next]);
                        trial.outcome = Outcome::opened;
                    } catch (const CFileError&) {
                        trial.outcome = Outcome::failed;
                    } catch (const CError&) {
                        trial.outcome = Outcome::refused;
                    }
                    trial.seconds =
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                            .count();
                });
            }
        }
        for (std::thread& thread : threads)
            thread.join();
        return trials;
    }

    void checkAgainstTheTable(const std::vector<Open>& opens, const std::vector<Trial>& trials) {
        for (size_t held = 0; held < opens.size(); ++held) {
            for (size_t next = 0; next < opens.size(); ++next) {
                const Trial& trial = trials[held * opens.size() + next];
                const Open& second = opens[next];
                SCOPED_TRACE(describe(opens[held]) + " held, then " + describe(second));
                const bool allowed = compatible(opens[held], second);
                EXPECT_EQ(trial.outcome, allowed ? Outcome::opened : Outcome::refused);
                if (allowed || trial.outcome != Outcome::refused)
                    continue;
                // Only an open that writes and keeps writers out waits for the file.
                if ((second.access & writeOnly) && second.shareKind != 2)
                    EXPECT_GT(trial.seconds, 2.7);
                else
                    EXPECT_LT(trial.seconds, 2.0);
            }
        }
    }

    void makeFiles(size_t count) const {
        for (size_t held = 0; held < count; ++held)
            for (size_t next = 0; next < count; ++next)
                writeFile(fileFor(held, next), "data");
    }
};

} // namespace

TEST_F(ShareModeTest, EveryAccessAndShareKindAgainstAnotherProcess) {
    const std::vector<Open> opens = allOpens();
    makeFiles(opens.size());
    int ready[2];
    int done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::vector<P<CDiskIOStream>> held;
        for (size_t first = 0; first < opens.size(); ++first)
            for (size_t next = 0; next < opens.size(); ++next)
                held.push_back(open(fileFor(first, next), opens[first]));
        (void)!write(ready[1], "1", 1);
        char byte;
        (void)!read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the holding process failed to open its files";
    const std::vector<Trial> trials = tryAll(opens);
    ASSERT_EQ(write(done[1], "1", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    checkAgainstTheTable(opens, trials);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        close(fd);
}

TEST_F(ShareModeTest, EveryAccessAndShareKindWithinOneProcess) {
    const std::vector<Open> opens = allOpens();
    makeFiles(opens.size());
    std::vector<P<CDiskIOStream>> held;
    for (size_t first = 0; first < opens.size(); ++first)
        for (size_t next = 0; next < opens.size(); ++next)
            held.push_back(open(fileFor(first, next), opens[first]));
    checkAgainstTheTable(opens, tryAll(opens));
    // What was held kept its data and its length; the locks lie far beyond it.
    EXPECT_EQ(held.front()->getLength(), 4);
    held.clear();
    EXPECT_EQ(readFile(fileFor(0, 0)), "data");
}

TEST_F(ShareModeTest, ConcurrentExclusiveOpensNeverOverlap) {
    writeFile("race", "data");
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::atomic<int> opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 60; ++i) {
                try {
                    auto stream = open("race", {readOnly, 0});
                    const int now = ++inside;
                    int seen = most.load();
                    while (now > seen && !most.compare_exchange_weak(seen, now)) {
                    }
                    ++opened;
                    std::this_thread::yield();
                    --inside;
                } catch (const CError&) {
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(most.load(), 1);
    EXPECT_GT(opened.load(), 0);
}

TEST_F(ShareModeTest, ARefusedOpenSaysTheFileIsInUseAndNamesIt) {
    writeFile("busy", "data");
    auto holder = open("busy", {readWrite, 0});
    const std::string expected = "The process cannot access the file '" +
                                 stringConv::toStdString(*fileURI("busy")->toString()) +
                                 "' because it is being used by another process.";
    EXPECT_EQ(thrownMessage<CError>([&] { open("busy", {readOnly, 2}); }), expected);
    EXPECT_TRUE(refusedAsInUse([&] { open("busy", {readOnly, 2}); })) << "not a file error";
}
