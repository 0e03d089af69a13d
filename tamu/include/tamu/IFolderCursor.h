#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

class IURI;

// The entries of one folder, "." and ".." left out, in no particular order. It starts in front
// of the first entry.
class TAMU_API IFolderCursor : public virtual IBase {
public:
    // Steps to the next entry; false when there is none left.
    virtual bool next() = 0;
    // The current entry's URI; a folder's ends with "/".
    virtual P<IURI> getURI() const = 0;
    virtual bool isFolder() const = 0;
};

} // namespace tamu
