#include "diskTestSupport.h"

#include "tamu/CFileInfo.h"
#include "tamu/CFileSystemManager.h"
#include "tamu/CFileTimes.h"
#include "tamu/CObjectError.h"
#include "tamu/IFolderCursor.h"
#include "tamu/IProgressListener.h"
#include "tamu/posix/CFileSystem.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return stringConv::toStdString(*text);
}

// The local file system, limited to the paths that contain `part`; it counts what it is asked
// and may announce volumes.
class CPartialFileSystem : public posix::CFileSystem {
public:
    explicit CPartialFileSystem(std::string part) : m_part(std::move(part)) {}

    bool handlesURI(const IURI* uri) override {
        return posix::CFileSystem::handlesURI(uri) &&
               s(uri->getPath()).find(m_part) != std::string::npos;
    }
    CFileInfo getFileInfo(IURI* uri) override {
        ++infoRequests;
        return posix::CFileSystem::getFileInfo(uri);
    }
    void copyFile(IURI* source, IURI* target, bool overwrite,
                  IProgressListener* listener) override {
        ++directCopies;
        posix::CFileSystem::copyFile(source, target, overwrite, listener);
    }
    void addVolumeListener(IFileSystemVolumeListener* listener) override {
        listeners.push_back(listener);
    }
    void removeVolumeListener(IFileSystemVolumeListener* listener) override {
        std::erase(listeners, listener);
    }

    int infoRequests = 0;
    int directCopies = 0;
    std::vector<IFileSystemVolumeListener*> listeners;

private:
    std::string m_part;
};

// Records the progress it is told and stops before step `stopAt` (never when negative).
class CStepListener : public CObject, public virtual IProgressListener {
public:
    explicit CStepListener(int stopAt) : m_stopAt(stopAt) {}
    bool onProgress(int64_t done, int64_t total) override {
        steps.push_back(done);
        lastTotal = total;
        return static_cast<int>(steps.size()) - 1 != m_stopAt;
    }
    std::vector<int64_t> steps;
    int64_t lastTotal = 0;

private:
    int m_stopAt;
};

class CVolumeRecorder : public CObject, public virtual IFileSystemVolumeListener {
public:
    void volumeAdded(IURI* volume) override { events.push_back("+" + s(volume->toString())); }
    void volumeRemoved(IURI* volume) override { events.push_back("-" + s(volume->toString())); }
    std::vector<std::string> events;
};

// The two ways a copy goes: done by the local file system itself, or through streams because
// the target's file system (registered later, the "streamed" folder) does not handle the source.
enum class Route { direct, streams };

class FileSystemTest : public DiskTest {
protected:
    void SetUp() override {
        DiskTest::SetUp();
        m_manager = make<CFileSystemManager>(make<posix::CFileSystem>().get());
        m_streamed = make<CPartialFileSystem>("/streamed/");
        m_manager->addFileSystem(m_streamed.get());
        std::filesystem::create_directory(pathOf("streamed"));
    }

    void put(const std::string& name, const std::string& content) const {
        std::filesystem::create_directories(std::filesystem::path(pathOf(name)).parent_path());
        writeFile(name, content);
    }

    // Every file under `folder` with its content, in name order.
    std::vector<std::string> tree(const std::string& folder) const {
        std::vector<std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(pathOf(folder))) {
            std::string name = entry.path().string().substr(pathOf(folder).size());
            entries.push_back(entry.is_directory() ? name + "/"
                                                   : name + "=" + readFile(folder + name));
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    P<CFileSystemManager> m_manager;
    P<CPartialFileSystem> m_streamed;
};

class CopyTest : public FileSystemTest, public ::testing::WithParamInterface<Route> {
protected:
    std::string target() const {
        return GetParam() == Route::direct ? "target.bin" : "streamed/target.bin";
    }
    void copy(bool overwrite, IProgressListener* listener = nullptr) {
        m_manager->copyFile(fileURI("source.bin").get(), fileURI(target()).get(), overwrite,
                            listener);
    }
};

TEST_P(CopyTest, CopiesAndReplacesOnlyWithOverwrite) {
    std::string content(200000, 'x');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    put("source.bin", content);
    copy(false);
    EXPECT_EQ(readFile(target()), content);
    EXPECT_EQ(m_streamed->directCopies, 0);

    put(target(), "old");
    EXPECT_EQ(thrownMessage<CFileError>([&] { copy(false); }),
              "Error copying file '" + s(fileURI("source.bin")->toString()) + "' to '" +
                  s(fileURI(target())->toString()) + "'. The file already exists.");
    EXPECT_EQ(readFile(target()), "old");
    copy(true);
    EXPECT_EQ(readFile(target()), content);
}

TEST_P(CopyTest, AsksBeforeEachStepAndLeavesNothingWhenStopped) {
    put("source.bin", std::string(200000, 'a'));
    auto complete = make<CStepListener>(-1);
    copy(false, complete.get());
    EXPECT_EQ(complete->steps, (std::vector<int64_t>{0, 65536, 131072, 196608, 200000}));
    EXPECT_EQ(complete->lastTotal, 200000);

    for (int stopAt : {0, 2, 4}) {
        SCOPED_TRACE(stopAt);
        std::filesystem::remove(pathOf(target()));
        auto stopping = make<CStepListener>(stopAt);
        copy(false, stopping.get());
        EXPECT_EQ(static_cast<int>(stopping->steps.size()), stopAt + 1);
        EXPECT_FALSE(exists(target()));
        EXPECT_EQ(tree("streamed"), std::vector<std::string>{});
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), {}),
                  2); // source, streamed
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, CopyTest, ::testing::Values(Route::direct, Route::streams));

// Names that a URI must escape, or that look like a scheme inside a relative reference.
class MoveTreeTest : public FileSystemTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MoveTreeTest, MovesNestedFoldersAndRemovesTheSource) {
    std::string name = GetParam();
    put("src/" + name + ".txt", "one");
    put("src/" + name + "/inner " + name + "/deep.txt", "three");
    put("src/sub/two.txt", "two");
    std::filesystem::create_directories(pathOf("src/empty " + name));
    std::vector<std::string> before = tree("src");

    m_manager->moveFolder(fileURI("src/").get(), fileURI("moved " + name + "/").get(), false);
    EXPECT_EQ(tree("moved " + name), before);
    EXPECT_FALSE(exists("src"));
    EXPECT_EQ(m_manager->getFileSize(fileURI("moved " + name + "/" + name + ".txt").get()), 3);
}

INSTANTIATE_TEST_SUITE_P(Names, MoveTreeTest,
                         ::testing::Values("plain", "with space", "ünïcødé 名前", "a:b%"));

TEST_F(FileSystemTest, MoveOntoAnExistingFolderNeedsOverwrite) {
    put("src/a.txt", "new");
    put("dst/old.txt", "old");
    EXPECT_EQ(thrownMessage<CFileError>([&] {
                  m_manager->moveFolder(fileURI("src/").get(), fileURI("dst/").get(), false);
              }),
              "Error moving folder '" + s(fileURI("src/")->toString()) + "' to '" +
                  s(fileURI("dst/")->toString()) + "'. The folder already exists.");
    EXPECT_EQ(tree("src"), std::vector<std::string>{"/a.txt=new"});
    EXPECT_EQ(tree("dst"), std::vector<std::string>{"/old.txt=old"});

    m_manager->moveFolder(fileURI("src/").get(), fileURI("dst/").get(), true);
    EXPECT_EQ(tree("dst"), std::vector<std::string>{"/a.txt=new"});
    EXPECT_FALSE(exists("src"));
}

TEST_F(FileSystemTest, DeletesATreeOnce) {
    put("tree/a/b/c.txt", "c");
    put("tree/d.txt", "d");
    EXPECT_TRUE(m_manager->deleteFolderTree(fileURI("tree/").get(), true));
    EXPECT_FALSE(exists("tree"));
    EXPECT_FALSE(m_manager->deleteFolderTree(fileURI("tree/").get(), false));
    EXPECT_THROW(m_manager->deleteFolderTree(fileURI("tree/").get(), true), CFileNotFoundError);
    put("file.txt", "f");
    EXPECT_FALSE(m_manager->deleteFolderTree(fileURI("file.txt").get(), false));
    EXPECT_TRUE(exists("file.txt"));
}

TEST_F(FileSystemTest, QueriesTellFilesFromFoldersAndMissingEntries) {
    put("streamed/file.txt", "12345");
    timespec times[2] = {{1000000000, 250000000}, {1200000000, 500000000}}; // access, write
    ASSERT_EQ(utimensat(AT_FDCWD, pathOf("streamed/file.txt").c_str(), times, 0), 0);
    std::filesystem::create_directory(pathOf("streamed/folder"));

    struct Case {
        const char* name;
        bool exists, file, folder;
    } cases[] = {
        {"streamed/file.txt", true, true, false},      {"streamed/folder/", false, false, true},
        {"streamed/folder", true, false, false}, // named as a file, it still exists
        {"streamed/missing.txt", false, false, false}, {"streamed/missing/", false, false, false},
        {"streamed/file.txt/", false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        P<IURI> uri = fileURI(c.name);
        EXPECT_EQ(m_manager->fileExists(uri.get()), c.exists);
        EXPECT_EQ(m_manager->folderExists(uri.get()), c.folder);
        if (!c.file) {
            EXPECT_THROW(m_manager->getFileSize(uri.get()), CFileNotFoundError);
        }
    }
    P<IURI> file = fileURI("streamed/file.txt");
    EXPECT_EQ(m_manager->getFileSize(file.get()), 5);
    CFileTimes fileTimes = m_manager->getFileTimes(file.get());
    EXPECT_DOUBLE_EQ(fileTimes.lastAccessTime, 1000000000.25);
    EXPECT_DOUBLE_EQ(fileTimes.lastWriteTime, 1200000000.5);
    EXPECT_GT(fileTimes.creationTime, 1200000000.0); // made now, whatever its dates say

    // A folder URI is no file, and an empty URI nothing at all: no file system is asked.
    int asked = m_streamed->infoRequests;
    EXPECT_FALSE(m_manager->fileExists(fileURI("streamed/folder/").get()));
    EXPECT_FALSE(m_manager->folderExists(make<CURI>("").get()));
    EXPECT_THROW(m_manager->getFileTimes(fileURI("streamed/folder/").get()), CFileNotFoundError);
    EXPECT_EQ(m_streamed->infoRequests, asked);
}

TEST_F(FileSystemTest, AnUnhandledSchemeIsFalseForDeletesAndUnsupportedOtherwise) {
    P<IURI> ftp = make<CURI>("ftp://host/dir/file.txt");
    P<IURI> ftpFolder = make<CURI>("ftp://host/dir/");
    EXPECT_FALSE(m_manager->deleteFile(ftp.get(), true));
    EXPECT_FALSE(m_manager->deleteFolder(ftpFolder.get(), true));
    EXPECT_FALSE(m_manager->deleteFolderTree(ftpFolder.get(), true));
    EXPECT_EQ(thrownMessage<CURITypeNotSupportedError>(
                  [&] { m_manager->createFolder(ftpFolder.get(), false); }),
              "This type of URI ('ftp://host/dir/') is not supported.");
    EXPECT_THROW(m_manager->fileExists(ftp.get()), CURITypeNotSupportedError);
    EXPECT_THROW(m_manager->getFileSize(ftp.get()), CURITypeNotSupportedError);
    EXPECT_THROW(m_manager->openFolderCursor(ftpFolder.get()), CURITypeNotSupportedError);
    EXPECT_THROW(m_manager->moveFolder(ftpFolder.get(), fileURI("x/").get(), false),
                 CURITypeNotSupportedError);
    put("source.bin", "s");
    EXPECT_THROW(m_manager->copyFile(fileURI("source.bin").get(), ftp.get(), true, nullptr),
                 CURITypeNotSupportedError);
}

TEST_F(FileSystemTest, CopyAndMoveRefuseTheWrongKindOfURI) {
    P<IURI> file = fileURI("a.txt");
    P<IURI> folder = fileURI("a/");
    P<IURI> empty = make<CURI>("");
    EXPECT_THROW(m_manager->copyFile(folder.get(), file.get(), true, nullptr), CInvalidArgError);
    EXPECT_THROW(m_manager->copyFile(file.get(), empty.get(), true, nullptr), CInvalidArgError);
    EXPECT_THROW(m_manager->moveFolder(file.get(), folder.get(), true), CInvalidArgError);
    EXPECT_THROW(m_manager->moveFolder(folder.get(), file.get(), true), CInvalidArgError);
}

TEST_F(FileSystemTest, RelaysVolumeChangesOnlyWhileItHasListeners) {
    EXPECT_TRUE(m_streamed->listeners.empty());
    auto first = make<CVolumeRecorder>();
    auto second = make<CVolumeRecorder>();
    m_manager->addVolumeListener(first.get());
    m_manager->addVolumeListener(second.get());
    ASSERT_EQ(m_streamed->listeners.size(), 1u);
    P<IURI> volume = make<CURI>("file:///media/stick/");
    m_streamed->listeners[0]->volumeAdded(volume.get());
    m_manager->removeVolumeListener(first.get());
    m_streamed->listeners[0]->volumeRemoved(volume.get());
    std::string text = s(volume->toString());
    EXPECT_EQ(first->events, std::vector<std::string>{"+" + text});
    EXPECT_EQ(second->events, (std::vector<std::string>{"+" + text, "-" + text}));

    auto late = make<CPartialFileSystem>("/late/");
    m_manager->addFileSystem(late.get());
    EXPECT_EQ(late->listeners.size(), 1u);
    m_manager->removeVolumeListener(second.get());
    EXPECT_TRUE(m_streamed->listeners.empty());
    EXPECT_TRUE(late->listeners.empty());
}

TEST(FileSystemManager, TheProcessManagerKnowsLocalPathsAndMountPoints) {
    P<IFileSystemManager> manager = getFileSystemManager();
    EXPECT_TRUE(manager->folderExists(make<CURI>("/").get()));
    P<IURI> root = manager->getVolume(make<CURI>("/proc/self/").get());
    EXPECT_EQ(s(root->getPath()), "/proc/");
}

} // namespace
