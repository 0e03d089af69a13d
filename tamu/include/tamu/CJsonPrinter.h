#pragma once

#include "tamu/CObject.h"
#include "tamu/P.h"

#include <string>

namespace tamu {

class IString;
class IVariant;

// Writes a variant tree as JSON text. Compact output has no blanks at all; pretty output puts
// each element on a line of its own, indented by one tab per level, with a blank after each
// colon. Object members come in key order. Only backslash, quotation mark and the five named
// control characters are escaped; doubles are written as "%g" writes them (six digits).
class CJsonPrinter : public CObject {
public:
    explicit CJsonPrinter(bool pretty);
    ~CJsonPrinter() override;

    // The text of `value`; an empty text for null or an object that is no variant of JSON.
    P<IString> print(const IVariant* value);

private:
    void printValue(std::u16string& out, const IVariant* value);
    void printArray(std::u16string& out, const class CVariantArray& array);
    void printObject(std::u16string& out, const class CVariantMap& map);
    // Before element `index` of an array or object.
    void beginElement(std::u16string& out, int32_t index) const;
    void open(std::u16string& out, char16_t bracket);
    void close(std::u16string& out, char16_t bracket);

    bool m_pretty;
    // One tab per array or object open while pretty printing.
    std::u16string m_indent;
};

} // namespace tamu
