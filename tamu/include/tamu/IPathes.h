#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"
#include "tamu/StringArg.h"

#include <cstdint>

namespace tamu {

class IString;
class IURI;

// Translation between URIs and the paths of the local file system. A local path is bytes in a
// UTF-8 string: a file name that is not UTF-8 keeps its bytes, which travel through the URI
// as escapes ("%E9") and come back unchanged.
class TAMU_API IPathes : public virtual IBase {
public:
    // Flag of getLocalPath: complete a relative path with the current folder, so the answer
    // still names the same file after the process changes its folder.
    static constexpr int32_t absolutePath = 1;

    // The local path a `file` or scheme-less URI names (its decoded path); null for a URI of
    // another scheme or without a path.
    virtual P<IString> getLocalPath(const IURI& uri, int32_t flags) const = 0;
    // The `file` URI of an absolute local path, or the scheme-less URI of a relative one, its
    // characters escaped where a URI needs it.
    virtual P<IURI> getFileURI(StringArg localPath) const = 0;
};

} // namespace tamu
