#include "tamu/CObject.h"
#include "tamu/stringConv.h"

#include <cxxabi.h>

#include <cstdlib>
#include <string>
#include <typeinfo>

namespace tamu {

P<IString> CObject::toString() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string text = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    text += " object";
    return stringConv::fromStd(text);
}

} // namespace tamu
