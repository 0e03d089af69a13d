#pragma once

#include "TCharEncoding.h"
#include "unicodeCodecs.h"

namespace tamu {

class CUTF8CharEncoding final : public TCharEncoding<Utf8Codec> {};
class CUTF16CharEncoding final : public TCharEncoding<Utf16Codec> {};
class CUTF32CharEncoding final : public TCharEncoding<Utf32Codec> {};
class CLatin1CharEncoding final : public TCharEncoding<Latin1Codec> {};

} // namespace tamu
