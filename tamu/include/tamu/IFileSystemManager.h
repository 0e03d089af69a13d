#pragma once

#include "tamu/IFileSystem.h"

#include <cstdint>

namespace tamu {

class CFileTimes;

// The process's file systems. Each operation of IFileSystem goes to the first registered file
// system that handles the URI; CURITypeNotSupportedError when none does, except that the
// deletes answer false. The manager's lock is held while a file system works, so a file system
// must not call back into the manager.
class TAMU_API IFileSystemManager : public virtual IFileSystem {
public:
    // Appends, without a duplicate check.
    virtual void addFileSystem(IFileSystem* fileSystem) = 0;
    // Removes the first entry that is this very object.
    virtual void removeFileSystem(IFileSystem* fileSystem) = 0;

    // CFileNotFoundError for an empty or folder URI and for a folder or missing entry.
    virtual int64_t getFileSize(IURI* uri) = 0;
    virtual CFileTimes getFileTimes(IURI* uri) = 0;
    // False for an empty or folder URI (a folder URI ends with "/"), without asking anyone;
    // otherwise whether the entry exists, a folder named without its "/" included.
    virtual bool fileExists(IURI* uri) = 0;
    // False for an empty URI or one that does not end with "/".
    virtual bool folderExists(IURI* uri) = 0;

    // Moves every entry of the folder `source` into the folder `target`, replacing an existing
    // target only when `overwrite` is true, then removes `source`.
    virtual void moveFolder(IURI* source, IURI* target, bool overwrite) = 0;
};

// The process's file system manager, created on first use with the platform's file system.
P<IFileSystemManager> getFileSystemManager();

} // namespace tamu
