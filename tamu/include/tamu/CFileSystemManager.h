#pragma once

#include "tamu/CObject.h"
#include "tamu/IFileSystemManager.h"
#include "tamu/IFileSystemVolumeListener.h"
#include "tamu/TFrailArray.h"

namespace tamu {

class IMutex;

// An ordered list of file systems. Besides the process's one (getFileSystemManager), managers
// of one's own start empty. The manager listens to its file systems' volumes only while it has
// volume listeners of its own.
class CFileSystemManager : public CObject,
                           public virtual IFileSystemManager,
                           public virtual IFileSystemVolumeListener {
public:
    CFileSystemManager();
    // Starts with `first` registered, without taking the lock: the process's manager is made
    // inside the global object factory's creation lock (see CStreamManager).
    explicit CFileSystemManager(IFileSystem* first);
    ~CFileSystemManager() override;

    bool handlesURI(const IURI* uri) override;
    CFileInfo getFileInfo(IURI* uri) override;
    P<TCleaningSimpleArray<P<IURI>>> getVolumes() override;
    P<IURI> getVolume(IURI* uri) override;
    P<IFolderCursor> openFolderCursor(IURI* folder) override;
    void addVolumeListener(IFileSystemVolumeListener* listener) override;
    void removeVolumeListener(IFileSystemVolumeListener* listener) override;
    // Removes an existing target first when `overwrite` is true; between two file systems the
    // file is copied and the source deleted.
    void moveFile(IURI* source, IURI* target, bool overwrite) override;
    // The last registered file system that handles the target copies, when it handles the
    // source too; otherwise the bytes go through streams in steps of 64 KiB.
    void copyFile(IURI* source, IURI* target, bool overwrite, IProgressListener* listener) override;
    bool deleteFile(IURI* uri, bool throwOnError) override;
    bool deleteFolder(IURI* uri, bool throwOnError) override;
    bool deleteFolderTree(IURI* uri, bool throwOnError) override;
    bool createFolder(IURI* uri, bool throwOnError) override;

    void addFileSystem(IFileSystem* fileSystem) override;
    void removeFileSystem(IFileSystem* fileSystem) override;
    int64_t getFileSize(IURI* uri) override;
    CFileTimes getFileTimes(IURI* uri) override;
    bool fileExists(IURI* uri) override;
    bool folderExists(IURI* uri) override;
    void moveFolder(IURI* source, IURI* target, bool overwrite) override;

    void volumeAdded(IURI* volume) override;
    void volumeRemoved(IURI* volume) override;

private:
    // The first file system in registration order that handles `uri`, or null; under the lock.
    IFileSystem* find(const IURI* uri) const;
    // `act` on the file system of `uri`; CURITypeNotSupportedError when there is none.
    template <class Act>
    auto dispatch(IURI* uri, Act act);
    // `act` on the file system of `uri`; false when there is none.
    template <class Act>
    bool dispatchDelete(IURI* uri, Act act);
    // A file's information, with the preconditions of getFileSize.
    CFileInfo existingFileInfo(IURI* uri);
    void copyThroughStreams(IURI* source, IURI* target, IProgressListener* listener);
    void moveFolderEntries(IURI* source, IURI* target, bool overwrite);

    P<IMutex> m_lock;
    P<TCleaningSimpleArray<P<IFileSystem>>> m_fileSystems;
    P<TFrailArray<IFileSystemVolumeListener>> m_volumeListeners;
};

} // namespace tamu
