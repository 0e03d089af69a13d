#pragma once

#include <cstdint>

namespace tamu::posix {

enum class ShareLocks {
    held,
    // Another open of the file refuses what this one wants, or has what this one refuses.
    refused,
    // The file system keeps no byte-range locks: the file is open without share modes.
    unsupported,
    // Any other failure; errno tells.
    failed,
};

// Takes the share-mode locks of an open of a regular file on its descriptor: open-file-
// description locks on bytes far beyond any data, one for each access the open has and one for
// each access it refuses to others (shareKind 0 refuses reading and writing, 1 writing, 2
// nothing). They vanish with the descriptor, so closing it gives the file back. On refusal or
// failure nothing stays locked.
ShareLocks takeShareLocks(int descriptor, bool reads, bool writes, int32_t shareKind);

} // namespace tamu::posix
