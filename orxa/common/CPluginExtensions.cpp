#include "orxa/common/CPluginExtensions.h"

#include "tamu/IString.h"
#include "tamu/stringConv.h"

namespace orxa::common {

CPluginExtensions::CPluginExtensions() = default;

CPluginExtensions::~CPluginExtensions() = default;

bool CPluginExtensions::addExtension(const tamu::P<tamu::IString>& extension) {
    tamu::P<tamu::IString> entry = tamu::stringConv::toUTF16(extension->toLowerCase());
    for (int32_t i = 0; i < m_extensions.getCount(); ++i)
        if (m_extensions.get(i)->equals(*entry))
            return false;
    m_extensions.add(entry);
    return true;
}

int32_t CPluginExtensions::getCount() {
    return m_extensions.getCount();
}

tamu::P<tamu::IString> CPluginExtensions::getAt(int32_t index) {
    return m_extensions.get(index);
}

void CPluginExtensions::serialize(tamu::ISerializationWriter& out) const {
    out.writeInt32(m_extensions.getCount());
    for (int32_t i = 0; i < m_extensions.getCount(); ++i)
        out.writeString(m_extensions.get(i));
}

bool CPluginExtensions::deserialize(tamu::ISerializationReader& in) {
    int32_t count = in.readInt32();
    for (int32_t i = 0; i < count; ++i)
        m_extensions.add(in.readString());
    return true;
}

} // namespace orxa::common
