#include "throwParseError.h"

#include "tamu/CError.h"
#include "tamu/stringConv.h"

namespace tamu {

void throwParseError(const char* message) {
    throw CParseError(stringConv::fromUTF8(message));
}

} // namespace tamu
