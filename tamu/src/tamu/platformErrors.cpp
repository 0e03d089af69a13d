#include "tamu/platformErrors.h"

#include "tamu/posix/systemErrorText.h"

#include <stdexcept>

namespace tamu {

void throwException(const std::string& message) {
    throw std::runtime_error(message);
}

void throwSystemError(const char* messageTemplate, int errorCode) {
    static constexpr std::string_view placeholder = "%ERRORDESC%";
    std::string message(messageTemplate);
    std::string::size_type at = message.find(placeholder);
    if (at != std::string::npos)
        message.replace(at, placeholder.size(), posix::getSystemErrorText(errorCode));
    throw std::runtime_error(message);
}

void throwArgumentError(const char* method) {
    throw std::invalid_argument(std::string("Invalid argument in ") + method);
}

} // namespace tamu
