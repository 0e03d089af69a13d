#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

namespace tamu {

[[noreturn]] TAMU_API void throwCastError(const IBase* object, const std::type_info& type);

// Unchecked cast: null when the object does not offer X (or vetoes the cast).
template <class X>
X* interfaceCast(IBase* object, bool followDelegate) {
    if (!object)
        return nullptr;
    IBase* delegate = nullptr;
    CastDelegateNode* extras = nullptr;
    if (!object->getCastDelegates(typeid(X), &delegate, &extras))
        return nullptr;
    if (delegate && followDelegate)
        return interfaceCast<X>(delegate, true);
    if (X* direct = dynamic_cast<X*>(object))
        return direct;
    for (CastDelegateNode* node = extras; node; node = node->next) {
        if (X* found = interfaceCast<X>(node->object, false))
            return found;
    }
    return nullptr;
}

template <class X>
const X* interfaceCast(const IBase* object, bool followDelegate) {
    return interfaceCast<X>(const_cast<IBase*>(object), followDelegate);
}

// Checked cast: throws CCastError when a non-null object does not offer X.
template <class X>
X* interfaceCast(IBase* object) {
    X* result = interfaceCast<X>(object, true);
    if (!result && object)
        throwCastError(object, typeid(X));
    return result;
}

template <class X>
const X* interfaceCast(const IBase* object) {
    return interfaceCast<X>(const_cast<IBase*>(object));
}

template <class X, class U>
P<X> interfaceCast(const P<U>& object) {
    return P<X>(interfaceCast<X>(static_cast<IBase*>(const_cast<std::remove_const_t<U>*>(object.get()))));
}

template <class X, class U>
P<X> tryInterfaceCast(const P<U>& object) {
    return P<X>(interfaceCast<X>(
        static_cast<IBase*>(const_cast<std::remove_const_t<U>*>(object.get())), true));
}

} // namespace tamu
