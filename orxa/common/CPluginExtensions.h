#pragma once

#include "orxa/common/IPluginExtensions.h"
#include "tamu/CObject.h"
#include "tamu/TSimpleArray.h"

namespace orxa::common {

// The extensions of a plug-in in the order they were added. Entries are kept lower-cased as
// UTF-16 strings of their own, so a host comparing them never sees the caller's encoding.
class CPluginExtensions : public tamu::CObject, public virtual IPluginExtensions {
public:
    CPluginExtensions();
    ~CPluginExtensions() override;

    // False when an equal entry is already there.
    bool addExtension(const tamu::P<tamu::IString>& extension);

    int32_t getCount() override;
    // The index is the caller's to keep in range.
    tamu::P<tamu::IString> getAt(int32_t index) override;

    // The count, then every entry.
    void serialize(tamu::ISerializationWriter& out) const override;
    // Appends what a serialize wrote, without the duplicate check.
    bool deserialize(tamu::ISerializationReader& in) override;

private:
    tamu::TSimpleArray<tamu::P<tamu::IString>> m_extensions;
};

} // namespace orxa::common
