#include "tamu/CObject.h"
#include "tamu/IString.h"
#include "tamu/undecoratedName.h"

#include <typeinfo>

namespace tamu {

P<IString> CObject::toString() const {
    return undecoratedName(typeid(*this))->concat(" object");
}

} // namespace tamu
