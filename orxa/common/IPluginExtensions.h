#pragma once

#include "tamu/ISerializable.h"

#include <cstdint>

namespace orxa::common {

// The file extensions a plug-in handles, lower case, each once.
class TAMU_API IPluginExtensions : public virtual tamu::IBase, public virtual tamu::ISerializable {
public:
    virtual int32_t getCount() = 0;
    virtual tamu::P<tamu::IString> getAt(int32_t index) = 0;
};

} // namespace orxa::common
