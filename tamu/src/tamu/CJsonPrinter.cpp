#include "tamu/CJsonPrinter.h"
#include "tamu/jsonEscapes.h"

#include "tamu/CStringFormat.h"
#include "tamu/CVariant.h"
#include "tamu/CVariantArray.h"
#include "tamu/CVariantMap.h"
#include "tamu/IArray.h"
#include "tamu/IString.h"
#include "tamu/interfaceCast.h"
#include "tamu/stringConv.h"

#include <string>

namespace tamu {

namespace {

void appendAscii(std::u16string& out, const std::string& text) {
    out.append(text.begin(), text.end());
}

void appendEscaped(std::u16string& out, const IString& text) {
    for (char16_t unit : stringConv::toStdU16String(text)) {
        const json::Escape* escape = json::findEscape(&json::Escape::unit, unit);
        if (escape) {
            out += u'\\';
            out += escape->letter;
        } else {
            out += unit;
        }
    }
}

void appendQuoted(std::u16string& out, const IString& text) {
    out += u'"';
    appendEscaped(out, text);
    out += u'"';
}

} // namespace

CJsonPrinter::CJsonPrinter(bool pretty) : m_pretty(pretty) {}

CJsonPrinter::~CJsonPrinter() = default;

P<IString> CJsonPrinter::print(const IVariant* value) {
    std::u16string out;
    printValue(out, value);
    return stringConv::fromStd(out);
}

void CJsonPrinter::printValue(std::u16string& out, const IVariant* value) {
    if (auto* map = dynamic_cast<const CVariantMap*>(value))
        printObject(out, *map);
    else if (auto* array = dynamic_cast<const CVariantArray*>(value))
        printArray(out, *array);
    else if (auto* text = dynamic_cast<const CVariantString*>(value))
        appendQuoted(out, *text->getValue());
    else if (auto* int32 = dynamic_cast<const CVariantInt32*>(value))
        appendAscii(out, std::to_string(int32->getValue()));
    else if (auto* int64 = dynamic_cast<const CVariantInt64*>(value))
        appendAscii(out, std::to_string(int64->getValue()));
    else if (auto* uint64 = dynamic_cast<const CVariantUInt64*>(value))
        appendAscii(out, std::to_string(uint64->getValue()));
    else if (auto* boolean = dynamic_cast<const CVariantBoolean*>(value))
        out += boolean->getValue() ? u"true" : u"false";
    else if (auto* number = dynamic_cast<const CVariantDouble*>(value))
        out += stringConv::toStdU16String(*formatString("%g", number->getValue()));
    else if (dynamic_cast<const CVariantNull*>(value))
        out += u"null";
}

void CJsonPrinter::open(std::u16string& out, char16_t bracket) {
    out += bracket;
    if (m_pretty) {
        out += u'\n';
        m_indent += u'\t';
    }
}

void CJsonPrinter::close(std::u16string& out, char16_t bracket) {
    if (m_pretty) {
        m_indent.pop_back();
        out += u'\n';
        out += m_indent;
    }
    out += bracket;
}

void CJsonPrinter::beginElement(std::u16string& out, int32_t index) const {
    if (index > 0)
        out += u',';
    if (m_pretty && index > 0)
        out += u'\n';
    if (m_pretty)
        out += m_indent;
}

void CJsonPrinter::printArray(std::u16string& out, const CVariantArray& array) {
    open(out, u'[');
    for (int32_t i = 0; i < array.getCount(); ++i) {
        beginElement(out, i);
        printValue(out, array.get(i).get());
    }
    close(out, u']');
}

void CJsonPrinter::printObject(std::u16string& out, const CVariantMap& map) {
    open(out, u'{');
    P<IArray> keys = map.getKeys();
    for (int32_t i = 0; i < keys->getCount(); ++i) {
        P<IString> key = interfaceCast<IString>(keys->get(i));
        beginElement(out, i);
        appendQuoted(out, *key);
        out += m_pretty ? u": " : u":";
        printValue(out, map.get(key).get());
    }
    close(out, u'}');
}

} // namespace tamu
