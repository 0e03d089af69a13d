#pragma once

#include "tamu/CObject.h"
#include "tamu/IFileSystem.h"
#include "tamu/IFileSystemVolumeListener.h"
#include "tamu/TFrailArray.h"

#include <string>

namespace tamu::posix {

// The local file system for `file` and scheme-less URIs. Volumes are the mount points. It
// keeps its volume listeners but has nothing to tell them: mounts are not watched.
class CFileSystem : public CObject, public virtual IFileSystem {
public:
    CFileSystem();

    bool handlesURI(const IURI* uri) override;
    CFileInfo getFileInfo(IURI* uri) override;
    P<TCleaningSimpleArray<P<IURI>>> getVolumes() override;
    P<IURI> getVolume(IURI* uri) override;
    P<IFolderCursor> openFolderCursor(IURI* folder) override;
    void addVolumeListener(IFileSystemVolumeListener* listener) override;
    void removeVolumeListener(IFileSystemVolumeListener* listener) override;
    // A rename; between two mounts, a copy and a delete.
    void moveFile(IURI* source, IURI* target, bool overwrite) override;
    // Into a hidden file beside the target that replaces it only once it is complete, so a
    // stopped or failed copy leaves the old target, if any, as it was.
    void copyFile(IURI* source, IURI* target, bool overwrite, IProgressListener* listener) override;
    bool deleteFile(IURI* uri, bool throwOnError) override;
    bool deleteFolder(IURI* uri, bool throwOnError) override;
    bool deleteFolderTree(IURI* uri, bool throwOnError) override;
    bool createFolder(IURI* uri, bool throwOnError) override;

private:
    P<TFrailArray<IFileSystemVolumeListener>> m_volumeListeners;
};

} // namespace tamu::posix
