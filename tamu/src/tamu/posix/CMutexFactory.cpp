#include "tamu/posix/CMutexFactory.h"

#include "tamu/posix/CGlobalMutexImpl.h"
#include "tamu/posix/CMutexImpl.h"
#include "tamu/stringConv.h"

namespace tamu::posix {

P<IMutex> CMutexFactory::createMutex() {
    return make<CMutexImpl>();
}

P<IMutex> CMutexFactory::createGlobalMutex(const P<IString>& name) {
    return createGlobalMutex(name ? stringConv::toStdString(*name) : std::string());
}

P<IMutex> CMutexFactory::createGlobalMutex(const std::string& name) {
    return make<CGlobalMutexImpl>(name);
}

} // namespace tamu::posix
