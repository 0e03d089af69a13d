#include "tamu/platformErrors.h"

#include "tamu/CError.h"
#include "tamu/CObjectError.h"
#include "tamu/platform.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"

namespace tamu {

void throwException(const std::string& message) {
    throw CException(str("Error"),
                     message.empty() ? str("Unspecified error") : stringConv::fromStd(message));
}

void throwSystemError(const char* messageTemplate, int errorCode) {
    static constexpr std::string_view placeholder = "%ERRORDESC%";
    std::string message(messageTemplate);
    std::string::size_type at = message.find(placeholder);
    if (at != std::string::npos)
        message.replace(at, placeholder.size(), platform::getSystemErrorText(errorCode));
    throw CError(stringConv::fromStd(message), nullptr);
}

void throwArgumentError(const char* method) {
    throw CInvalidArgError(nullptr, stringConv::fromUTF8(method), nullptr);
}

} // namespace tamu
