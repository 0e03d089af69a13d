#pragma once

#include <cstdint>

namespace tamu {

// What a file system knows of one entry. Times are milliseconds since 1970-01-01 UTC; a file
// system that keeps no creation time reports the last status change instead.
class CFileInfo {
public:
    bool exists = false;
    bool isFolder = false;
    int64_t size = 0;
    int64_t creationTime = 0;
    int64_t lastWriteTime = 0;
    int64_t lastAccessTime = 0;
};

} // namespace tamu
