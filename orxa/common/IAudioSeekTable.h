#pragma once

#include "tamu/IBase.h"

#include <cstdint>

namespace orxa::common {

// What a source's file offers for seeking. A host reaches it from an open source with
// interfaceCast. A file without seek points still seeks, only by searching for the place.
class TAMU_API IAudioSeekTable : public virtual tamu::IBase {
public:
    // The points of the file's seek table that name a place in the stream (placeholders left
    // out); 0 when the file has no seek table.
    virtual int32_t getSeekPointCount() = 0;
};

} // namespace orxa::common
