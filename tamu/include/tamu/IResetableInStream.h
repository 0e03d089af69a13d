#pragma once

#include "tamu/IInStream.h"
#include "tamu/P.h"

namespace tamu {

class IStreamMarker;

class TAMU_API IResetableInStream : public virtual IInStream {
public:
    // Remembers the current position.
    virtual P<IStreamMarker> createMarker() = 0;
    // Returns to the marker's position; a marker of another kind of stream is a CCastError.
    virtual void resetToMarker(IStreamMarker& marker) = 0;
};

} // namespace tamu
