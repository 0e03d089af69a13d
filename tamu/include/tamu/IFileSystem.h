#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"
#include "tamu/TSimpleArray.h"

namespace tamu {

class CFileInfo;
class IFileSystemVolumeListener;
class IFolderCursor;
class IProgressListener;
class IURI;

// File operations that are not streams, for the URIs a file system handles. Errors of the
// system underneath are CFileError family exceptions naming the URI.
// The `throwOnError` flag of the delete and create operations: true turns a failure into an
// exception, false into a false answer.
class TAMU_API IFileSystem : public virtual IBase {
public:
    virtual bool handlesURI(const IURI* uri) = 0;

    // A missing entry is not an error: it answers exists == false.
    virtual CFileInfo getFileInfo(IURI* uri) = 0;
    // The roots of the volumes, as folder URIs.
    virtual P<TCleaningSimpleArray<P<IURI>>> getVolumes() = 0;
    // The root of the volume holding `uri`.
    virtual P<IURI> getVolume(IURI* uri) = 0;
    // CFileNotFoundError when the folder does not exist.
    virtual P<IFolderCursor> openFolderCursor(IURI* folder) = 0;
    // Listeners are not counted: one removes itself before it goes away.
    virtual void addVolumeListener(IFileSystemVolumeListener* listener) = 0;
    virtual void removeVolumeListener(IFileSystemVolumeListener* listener) = 0;

    // Moves a file, replacing an existing target only when `overwrite` is true.
    virtual void moveFile(IURI* source, IURI* target, bool overwrite) = 0;
    // Copies a file, asking `listener` (optional) before each step whether to go on. A copy
    // that does not complete leaves no target behind.
    virtual void copyFile(IURI* source, IURI* target, bool overwrite,
                          IProgressListener* listener) = 0;

    // Whether the entry was removed.
    virtual bool deleteFile(IURI* uri, bool throwOnError) = 0;
    // An empty folder only.
    virtual bool deleteFolder(IURI* uri, bool throwOnError) = 0;
    // The folder with everything in it.
    virtual bool deleteFolderTree(IURI* uri, bool throwOnError) = 0;
    // Creates the missing folders of the path; true when the folder exists afterwards.
    virtual bool createFolder(IURI* uri, bool throwOnError) = 0;
};

} // namespace tamu
