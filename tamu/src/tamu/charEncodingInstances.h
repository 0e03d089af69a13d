#pragma once

namespace tamu {

class ICharEncoding;

// Borrowed pointers to the process-wide encodings, for code that runs per string and need not
// touch their reference counts. They live as long as the library.
ICharEncoding* utf8EncodingInstance();
ICharEncoding* utf16EncodingInstance();
ICharEncoding* utf32EncodingInstance();
ICharEncoding* latin1EncodingInstance();
ICharEncoding* cpEncodingInstance();

} // namespace tamu
