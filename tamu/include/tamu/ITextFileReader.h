#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"

#include <cstdint>

namespace tamu {

class IString;

// A whole text resource, decoded after its byte-order mark, read line by line. Lines end at
// line feeds; carriage returns are not part of any line.
class TAMU_API ITextFileReader : public virtual IBase {
public:
    virtual bool hasMoreLines() const = 0;
    virtual void rewind() = 0;
    // The next line without its line end; CException "Error readline. No more lines to read"
    // after the last one.
    virtual P<IString> readLine() = 0;
    // The remaining lines joined with "\n", none after the last.
    virtual P<IString> readAll() = 0;
    // Lines of the whole text, wherever the cursor stands.
    virtual int32_t countLines() const = 0;
    // The text as decoded, line ends included.
    virtual P<IString> getText() const = 0;
};

} // namespace tamu
