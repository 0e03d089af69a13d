#pragma once

#include "tamu/IBase.h"

namespace tamu {

// A parsed location. Its text form is its toString(). The URI parser adds the operations on
// the parts (scheme, path, query, ...).
class TAMU_API IURI : public virtual IBase {};

} // namespace tamu
