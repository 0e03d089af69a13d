#include "throwParseError.h"

#include <stdexcept>

namespace tamu {

void throwParseError(const char* message) {
    throw std::invalid_argument(message);
}

} // namespace tamu
