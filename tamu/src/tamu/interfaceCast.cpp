#include "tamu/interfaceCast.h"

#include "tamu/CObjectError.h"

namespace tamu {

void throwCastError(const IBase* object, const std::type_info& type) {
    throw CCastError(object, type);
}

} // namespace tamu
