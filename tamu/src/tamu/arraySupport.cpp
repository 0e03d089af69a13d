#include "arraySupport.h"

#include "tamu/CStringFormat.h"
#include "tamu/stringConv.h"

namespace tamu {

void throwIndexError(const IBase* array, const char* method, int32_t index, int32_t count) {
    throw CInvalidArgError(array, stringConv::fromUTF8(method),
                           formatString("index %d out of range (count %d)", index, count));
}

} // namespace tamu
