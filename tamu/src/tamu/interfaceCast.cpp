#include "tamu/interfaceCast.h"

#include <typeinfo>

namespace tamu {

void throwCastError(const IBase*, const std::type_info&) {
    throw std::bad_cast();
}

} // namespace tamu
