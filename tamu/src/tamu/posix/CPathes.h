#pragma once

#include "tamu/CObject.h"
#include "tamu/IPathes.h"

namespace tamu::posix {

// The URI's decoded path is the local path; the host part of a `file` URI is not looked at.
class CPathes : public CObject, public virtual IPathes {
public:
    P<IString> getLocalPath(const IURI& uri, int32_t flags) const override;
    P<IURI> getFileURI(StringArg localPath) const override;
};

} // namespace tamu::posix
