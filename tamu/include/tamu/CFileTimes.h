#pragma once

#include "tamu/CFileInfo.h"

namespace tamu {

// The three times of a file in seconds since 1970-01-01 UTC, with the milliseconds as fraction.
class CFileTimes {
public:
    CFileTimes() = default;
    explicit CFileTimes(const CFileInfo& info)
        : creationTime(info.creationTime / 1000.0), lastWriteTime(info.lastWriteTime / 1000.0),
          lastAccessTime(info.lastAccessTime / 1000.0) {}

    double creationTime = 0;
    double lastWriteTime = 0;
    double lastAccessTime = 0;
};

} // namespace tamu
