#pragma once

#include "tamu/IStreamBase.h"
#include "tamu/P.h"

namespace tamu {

class IStreamMarker;

class TAMU_API IResetableStream : public virtual IStreamBase {
public:
    // Remembers the current position.
    virtual P<IStreamMarker> createMarker() = 0;
    // Returns to the marker's position; a marker of another kind of stream is a CCastError.
    virtual void resetToMarker(IStreamMarker& marker) = 0;
};

} // namespace tamu
