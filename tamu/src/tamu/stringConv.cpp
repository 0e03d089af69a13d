#include "tamu/stringConv.h"

#include "CodePointReader.h"
#include "EncodedTextBuffer.h"
#include "charEncodingInstances.h"
#include "tamu/CCPString.h"
#include "tamu/CLatin1String.h"
#include "tamu/CUTF16String.h"
#include "tamu/CUTF32String.h"
#include "tamu/CUTF8String.h"
#include "tamu/CWCharString.h"
#include "tamu/TNullString.h"

#include <cwchar>

namespace tamu::stringConv {

namespace {

P<IString> convert(const IString& text, ICharEncoding& target, P<IString> (*nullOfTarget)()) {
    if (text.hasEncoding(target.getId())) {
        if (text.isZeroTerminated())
            return P<IString>(const_cast<IString*>(&text));
        return makeString(target, text.getData(), text.getByteLength(), text.getLength(), true,
                          StringStorage::copy);
    }
    if (text.isNull())
        return nullOfTarget();
    EncodedTextBuffer buffer(target, text.getByteLength());
    buffer.appendText(text);
    return buffer.finish();
}

template <class Unit>
int32_t unitsOf(const Unit* text) {
    return static_cast<int32_t>(std::char_traits<Unit>::length(text));
}

// Decodes `text` into the standard-library string of an encoding.
template <class Std>
Std encodeInto(const IString& text, ICharEncoding& target) {
    using Unit = typename Std::value_type;
    if (text.hasEncoding(target.getId()))
        return Std(static_cast<const Unit*>(text.getData()),
                   static_cast<size_t>(text.getByteLength()) / sizeof(Unit));
    Std out;
    out.reserve(static_cast<size_t>(text.getLength()));
    CodePointReader reader(*text.getEncoding(), text.getData(), text.getByteLength());
    uint32_t c;
    Unit units[4];
    while (reader.next(c)) {
        int32_t size = target.encodeChar(c, units, sizeof units, 0);
        out.append(units, static_cast<size_t>(size) / sizeof(Unit));
    }
    return out;
}

} // namespace

P<IString> toCP(const IString& text) {
    return convert(text, *cpEncodingInstance(), &CNullCPString::instance);
}

P<IString> toUTF8(const IString& text) {
    return convert(text, *utf8EncodingInstance(), &CNullUTF8String::instance);
}

P<IString> toUTF16(const IString& text) {
    return convert(text, *utf16EncodingInstance(), &CNullWCharString::instance);
}

P<IString> toUTF32(const IString& text) {
    return convert(text, *utf32EncodingInstance(), &CNullUTF32String::instance);
}

P<IString> toLatin1(const IString& text) {
    return convert(text, *latin1EncodingInstance(), &CNullLatin1String::instance);
}

P<IString> toCP(const P<IString>& text) {
    return text ? toCP(*text) : CNullCPString::instance();
}

P<IString> toUTF8(const P<IString>& text) {
    return text ? toUTF8(*text) : CNullUTF8String::instance();
}

P<IString> toUTF16(const P<IString>& text) {
    return text ? toUTF16(*text) : CNullWCharString::instance();
}

P<IString> toUTF32(const P<IString>& text) {
    return text ? toUTF32(*text) : CNullUTF32String::instance();
}

P<IString> toLatin1(const P<IString>& text) {
    return text ? toLatin1(*text) : CNullLatin1String::instance();
}

P<IString> fromUTF8(const char* text, int32_t byteLength) {
    if (!text)
        return CNullUTF8String::instance();
    return adopt(new CUTF8String(text, byteLength));
}

P<IString> fromCP(const char* text, int32_t byteLength) {
    if (!text)
        return CNullCPString::instance();
    return adopt(new CCPString(text, byteLength));
}

P<IString> fromLatin1(const char* text, int32_t byteLength) {
    if (!text)
        return CNullLatin1String::instance();
    return adopt(new CLatin1String(text, byteLength));
}

P<IString> fromUTF16(const char16_t* text, int32_t unitLength) {
    if (!text)
        return CNullWCharString::instance();
    return adopt(new CWCharString(text, (unitLength < 0 ? unitsOf(text) : unitLength) * 2));
}

P<IString> fromUTF16Bytes(const void* text, int32_t byteLength) {
    if (!text)
        return CNullUTF16String::instance();
    return adopt(new CUTF16String(text, byteLength));
}

P<IString> fromUTF32(const char32_t* text, int32_t unitLength) {
    if (!text)
        return CNullUTF32String::instance();
    return adopt(new CUTF32String(text, (unitLength < 0 ? unitsOf(text) : unitLength) * 4));
}

P<IString> fromWChar(const wchar_t* text, int32_t length) {
    static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32 on this platform");
    if (!text)
        return CNullWCharString::instance();
    if (length < 0)
        length = static_cast<int32_t>(std::wcslen(text));
    EncodedTextBuffer buffer(*utf16EncodingInstance(), length * 2);
    buffer.appendText(StringArg(text, length * 4, *utf32EncodingInstance()));
    return buffer.finish();
}

P<IString> fromStd(const std::string& utf8) {
    return fromUTF8(utf8.data(), static_cast<int32_t>(utf8.size()));
}

P<IString> fromStd(const std::u16string& utf16) {
    return fromUTF16(utf16.data(), static_cast<int32_t>(utf16.size()));
}

std::wstring toWString(const IString& text) {
    return encodeInto<std::wstring>(text, *utf32EncodingInstance());
}

std::string toStdString(const IString& text) {
    return encodeInto<std::string>(text, *utf8EncodingInstance());
}

std::u16string toStdU16String(const IString& text) {
    return encodeInto<std::u16string>(text, *utf16EncodingInstance());
}

} // namespace tamu::stringConv
