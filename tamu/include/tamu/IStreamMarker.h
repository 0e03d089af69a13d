#pragma once

#include "tamu/IBase.h"

namespace tamu {

// A remembered stream position, made by createMarker and handed back to resetToMarker of the
// same kind of stream.
class TAMU_API IStreamMarker : public virtual IBase {
public:
    // Tells the stream that the marker will not be used again (streams that must keep data
    // for a marker can let it go); memory streams keep nothing.
    virtual void discard() = 0;
};

} // namespace tamu
