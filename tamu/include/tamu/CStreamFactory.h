#pragma once

#include "tamu/CObject.h"
#include "tamu/IStreamFactory.h"

namespace tamu {

// The throwing half of a stream factory: each open operation asks its "try" partner and turns
// an empty answer into CFileNotFoundError for the URI. Factories implement the "try" half.
class CStreamFactory : public CObject, public virtual IStreamFactory {
public:
    P<IInStream> openInStream(IURI* uri, int32_t shareKind) override;
    P<IResetableInStream> openResetableInStream(IURI* uri, int32_t shareKind) override;
    P<ISeekableInStream> openSeekableInStream(IURI* uri, int32_t shareKind) override;

    P<IOutStream> openOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                bool deleteOnClose) override;
    P<IResetableOutStream> openResetableOutStream(IURI* uri, int32_t shareKind,
                                                  int32_t creationKind,
                                                  bool deleteOnClose) override;
    P<ISeekableOutStream> openSeekableOutStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                                bool deleteOnClose) override;

    P<IIOStream> openIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                              bool deleteOnClose) override;
    P<IResetableIOStream> openResetableIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                                bool deleteOnClose) override;
    P<ISeekableIOStream> openSeekableIOStream(IURI* uri, int32_t shareKind, int32_t creationKind,
                                              bool deleteOnClose) override;
};

} // namespace tamu
