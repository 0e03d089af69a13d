#include "tamu/undecoratedName.h"

#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace tamu {

P<IString> undecoratedName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    // A name the runtime cannot demangle is still better shown mangled than not at all.
    return stringConv::fromUTF8(status == 0 && demangled ? demangled.get() : type.name());
}

} // namespace tamu
