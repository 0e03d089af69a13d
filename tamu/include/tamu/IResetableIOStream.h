#pragma once

#include "tamu/IIOStream.h"
#include "tamu/P.h"

namespace tamu {

class IStreamMarker;

class TAMU_API IResetableIOStream : public virtual IIOStream {
public:
    // Remembers the current position.
    virtual P<IStreamMarker> createMarker() = 0;
    // Returns to the marker's position; a marker of another kind of stream is a CCastError.
    virtual void resetToMarker(IStreamMarker& marker) = 0;
};

} // namespace tamu
