#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

// Little-endian byte sink for serialisation; a reader reads back exactly what a writer wrote.
class TAMU_API ISerializationWriter : public virtual IBase {
public:
    virtual void writeInt32(int32_t value) = 0;
    virtual void writeDouble(double value) = 0;
    virtual void writeString(const P<IString>& value) = 0;
    virtual void writeBytes(const void* bytes, int32_t count) = 0;
};

class TAMU_API ISerializationReader : public virtual IBase {
public:
    virtual int32_t readInt32() = 0;
    virtual double readDouble() = 0;
    virtual P<IString> readString() = 0;
    virtual void readBytes(void* bytes, int32_t count) = 0;
};

class TAMU_API ISerializable : public virtual IBase {
public:
    virtual void serialize(ISerializationWriter& out) const = 0;
    virtual bool deserialize(ISerializationReader& in) = 0;
};

} // namespace tamu
