#pragma once

#include <string>

// Every failure raised by the platform services, the global object factory and the memory
// blocks goes through these functions, so the exception classes they throw are chosen here.

namespace tamu {

// A CException named "Error" whose message is `message` ("Unspecified error" when empty).
[[noreturn]] void throwException(const std::string& message);

// A CError whose message is `messageTemplate` with "%ERRORDESC%" replaced by the system's text
// for `errorCode` (an errno value).
[[noreturn]] void throwSystemError(const char* messageTemplate, int errorCode);

// A caller broke the contract of `method` ("Class::operation"), a negative size for example:
// CInvalidArgError naming the method.
[[noreturn]] void throwArgumentError(const char* method);

} // namespace tamu
