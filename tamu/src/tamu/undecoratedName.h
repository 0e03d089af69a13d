#pragma once

#include "tamu/P.h"

#include <typeinfo>

namespace tamu {

class IString;

// The class name as the source spells it ("tamu::CString"), not the mangled form.
P<IString> undecoratedName(const std::type_info& type);

} // namespace tamu
