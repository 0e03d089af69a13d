#include "tamu/CGlobalObjFactory.h"
#include "tamu/IPathes.h"
#include "tamu/platform.h"
#include "tamu/platformServices.h"

namespace tamu {

// Apart from the other services: the path service brings the URI classes with it.
P<IPathes> getPathes() {
    static int key;
    return getGlobalObject<IPathes>(&key, &platform::createPathes);
}

} // namespace tamu
