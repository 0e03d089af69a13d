#include "tamu/CXmlValueStore.h"

#include "tamu/CArray.h"
#include "tamu/CError.h"
#include "tamu/CMemoryBlock.h"
#include "tamu/CObjectError.h"
#include "tamu/CTextFileReader.h"
#include "tamu/IFileSystemManager.h"
#include "tamu/IOutStream.h"
#include "tamu/IURI.h"
#include "tamu/base64Alphabet.h"
#include "tamu/stringConv.h"
#include "tamu/valueStoreSupport.h"

#include <tinyxml2.h>

#include <cstring>

using tinyxml2::XMLElement;

namespace tamu {

namespace {

constexpr char rootName[] = "valuestore";
constexpr char leadPrefix[] = "__L__";
constexpr char typeAttribute[] = "type";
constexpr char storeType[] = "store";
constexpr char binaryType[] = "binary";

bool isNameChar(unsigned char c) {
    // Bytes of multi-byte UTF-8 characters are name characters to the parser.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c >= 0x80;
}

void appendUTF8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isStore(const XMLElement& element) {
    const char* type = element.Attribute(typeAttribute);
    return element.FirstChildElement() || (type && std::strcmp(type, storeType) == 0);
}

bool isBinary(const XMLElement& element) {
    const char* type = element.Attribute(typeAttribute);
    return type && std::strcmp(type, binaryType) == 0;
}

std::string encodedName(const std::string& text) {
    std::string encoded;
    if (text.empty() || text[0] == '-' || text[0] == '.' || (text[0] >= '0' && text[0] <= '9'))
        encoded = leadPrefix;
    for (char c : text) {
        if (isNameChar(static_cast<unsigned char>(c)))
            encoded += c;
        else
            encoded += "__" + std::to_string(static_cast<unsigned char>(c)) + "__";
    }
    return encoded;
}

std::string decodedName(const char* elementName) {
    std::string text(elementName ? elementName : "");
    std::string decoded;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, sizeof leadPrefix - 1, leadPrefix) == 0) {
            i += sizeof leadPrefix - 1;
            continue;
        }
        if (text.compare(i, 2, "__") == 0) {
            size_t digits = i + 2;
            uint32_t code = 0;
            while (digits < text.size() && digits - i < 9 && text[digits] >= '0' &&
                   text[digits] <= '9')
                code = code * 10 + static_cast<uint32_t>(text[digits++] - '0');
            if (digits > i + 2 && text.compare(digits, 2, "__") == 0) {
                appendUTF8(decoded, code);
                i = digits + 2;
                continue;
            }
        }
        decoded += text[i++];
    }
    return decoded;
}

enum class Kind { value, store, any };

// The first child of `parent` whose name reads as `name`: compared decoded, as the names are
// listed, since a hand-written element name may not be the one encodedName would write.
XMLElement* findChild(XMLElement* parent, const std::string& name, Kind kind) {
    for (XMLElement* child = parent ? parent->FirstChildElement() : nullptr; child;
         child = child->NextSiblingElement()) {
        if ((kind == Kind::any || isStore(*child) == (kind == Kind::store)) &&
            decodedName(child->Name()) == name)
            return child;
    }
    return nullptr;
}

// A value's text, null for binary values, whose text is no value of the other types.
const char* plainText(const XMLElement* element) {
    if (!element || isBinary(*element))
        return nullptr;
    const char* text = element->GetText();
    return text ? text : "";
}

// A value's text read as a T by tinyxml2's `query`; the default for anything else.
template <class T>
T parsedText(const XMLElement* value, T defaultValue,
             tinyxml2::XMLError (XMLElement::*query)(T*) const) {
    T result{};
    return plainText(value) && (value->*query)(&result) == tinyxml2::XML_SUCCESS ? result
                                                                                 : defaultValue;
}

std::string encodeBase64(const uint8_t* bytes, int32_t size) {
    std::string text;
    text.reserve(static_cast<size_t>(size + 2) / 3 * 4);
    for (int32_t i = 0; i < size; i += 3) {
        uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
        if (i + 1 < size)
            group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < size)
            group |= bytes[i + 2];
        int32_t chars = size - i >= 3 ? 4 : size - i + 1;
        for (int32_t k = 0; k < 4; ++k)
            text += k < chars ? base64::alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

// False when the text holds anything but Base64 characters, blanks and padding.
bool decodeBase64(const char* text, std::string& bytes) {
    uint32_t group = 0;
    int32_t bits = 0;
    for (const char* p = text; *p; ++p) {
        auto c = static_cast<uint8_t>(*p);
        if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        uint8_t value = base64::valueOf(c);
        if (value == base64::invalidValue)
            return false;
        group = (group << 6) | value;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    return true;
}

} // namespace

std::string CXmlValueStore::encodeName(StringArg name) {
    return encodedName(valueStore::utf8(name));
}

P<IString> CXmlValueStore::decodeName(const char* elementName) {
    return stringConv::fromStd(decodedName(elementName));
}

CXmlValueStore::CXmlValueStore(const P<IURI>& uri, int32_t mode)
    : m_document(std::make_shared<tinyxml2::XMLDocument>()), m_mode(mode),
      m_uri(uri ? uri->clone() : nullptr) {
    reload();
}

CXmlValueStore::CXmlValueStore(std::shared_ptr<tinyxml2::XMLDocument> document,
                               std::vector<std::string> path, int32_t mode)
    : m_document(std::move(document)), m_path(std::move(path)), m_mode(mode) {}

CXmlValueStore::~CXmlValueStore() = default;

XMLElement* CXmlValueStore::element(bool create) {
    XMLElement* current = m_document->FirstChildElement(rootName);
    if (!current) {
        if (!create)
            return nullptr;
        current = m_document->InsertEndChild(m_document->NewElement(rootName))->ToElement();
    }
    for (const std::string& name : m_path) {
        XMLElement* next = findChild(current, name, Kind::store);
        if (!next) {
            if (!create)
                return nullptr;
            next = current->InsertEndChild(m_document->NewElement(encodedName(name).c_str()))
                       ->ToElement();
            next->SetAttribute(typeAttribute, storeType);
        }
        current = next;
    }
    return current;
}

XMLElement* CXmlValueStore::findValue(StringArg name) {
    valueStore::requireRead(m_mode, m_uri.get());
    return findChild(element(false), valueStore::utf8(name), Kind::value);
}

XMLElement* CXmlValueStore::replaceValue(StringArg name) {
    valueStore::requireWrite(m_mode, m_uri.get());
    std::string text = valueStore::utf8(name);
    XMLElement* parent = element(true);
    XMLElement* fresh = m_document->NewElement(encodedName(text).c_str());
    // In the old one's place, so that a file keeps its order across saves.
    if (XMLElement* old = findChild(parent, text, Kind::any)) {
        parent->InsertAfterChild(old, fresh);
        parent->DeleteChild(old);
    } else {
        parent->InsertEndChild(fresh);
    }
    return fresh;
}

void CXmlValueStore::load(IInStream& /*stream*/) {
    throw CMethodNotImplementedError(this, str("CXmlValueStore::load"));
}

void CXmlValueStore::store(IOutStream& /*stream*/) {
    throw CMethodNotImplementedError(this, str("CXmlValueStore::store"));
}

int32_t CXmlValueStore::getAccessMode() const {
    return m_mode;
}

void CXmlValueStore::setString(StringArg name, StringArg value) {
    replaceValue(name)->SetText(valueStore::utf8(value).c_str());
}

void CXmlValueStore::setInt(StringArg name, int32_t value) {
    replaceValue(name)->SetText(value);
}

void CXmlValueStore::setInt64(StringArg name, int64_t value) {
    replaceValue(name)->SetText(value);
}

void CXmlValueStore::setBool(StringArg name, bool value) {
    replaceValue(name)->SetText(value ? "true" : "false");
}

void CXmlValueStore::setDouble(StringArg name, double value) {
    // tinyxml2 writes 17 significant digits, so the double comes back bit for bit.
    replaceValue(name)->SetText(value);
}

void CXmlValueStore::storeBinary(StringArg name, const IMemoryBlock& block) {
    storeBinary(name, block.getData(), block.getSize());
}

void CXmlValueStore::storeBinary(StringArg name, const void* data, int32_t size) {
    XMLElement* value = replaceValue(name);
    value->SetAttribute(typeAttribute, binaryType);
    value->SetText(encodeBase64(static_cast<const uint8_t*>(data), size).c_str());
}

P<IString> CXmlValueStore::getString(StringArg name, const P<IString>& defaultValue) {
    const char* text = plainText(findValue(name));
    return text ? stringConv::fromUTF8(text) : defaultValue;
}

int32_t CXmlValueStore::getInt(StringArg name, int32_t defaultValue) {
    return parsedText(findValue(name), defaultValue, &XMLElement::QueryIntText);
}

int64_t CXmlValueStore::getInt64(StringArg name, int64_t defaultValue) {
    return parsedText(findValue(name), defaultValue, &XMLElement::QueryInt64Text);
}

bool CXmlValueStore::getBool(StringArg name, bool defaultValue) {
    return parsedText(findValue(name), defaultValue, &XMLElement::QueryBoolText);
}

double CXmlValueStore::getDouble(StringArg name, double defaultValue) {
    return parsedText(findValue(name), defaultValue, &XMLElement::QueryDoubleText);
}

P<IMemoryBlock> CXmlValueStore::loadBinary(StringArg name, const P<IMemoryBlock>& defaultValue) {
    XMLElement* value = findValue(name);
    std::string bytes;
    if (!value || !isBinary(*value) ||
        !decodeBase64(value->GetText() ? value->GetText() : "", bytes))
        return defaultValue;
    return make<CMemoryBlock>(static_cast<int32_t>(bytes.size()), bytes.data());
}

P<IValueStore> CXmlValueStore::openSubStore(StringArg name, int32_t mode) {
    std::vector<std::string> path = m_path;
    path.push_back(valueStore::utf8(name));
    P<CXmlValueStore> sub = adopt(new CXmlValueStore(m_document, std::move(path), mode));
    bool canCreate = (mode & valueStoreWrite) && (m_mode & valueStoreWrite);
    if (!sub->element(canCreate))
        return nullptr;
    return sub;
}

bool CXmlValueStore::hasValue(StringArg name) {
    return findValue(name) != nullptr;
}

bool CXmlValueStore::hasSubStore(StringArg name) {
    valueStore::requireRead(m_mode, m_uri.get());
    return findChild(element(false), valueStore::utf8(name), Kind::store) != nullptr;
}

P<IArray> CXmlValueStore::namesOf(bool subStores) {
    valueStore::requireRead(m_mode, m_uri.get());
    P<CArray> names = make<CArray>();
    XMLElement* parent = element(false);
    for (XMLElement* child = parent ? parent->FirstChildElement() : nullptr; child;
         child = child->NextSiblingElement()) {
        if (isStore(*child) == subStores)
            names->add(decodeName(child->Name()).get());
    }
    return names;
}

P<IArray> CXmlValueStore::getValueNames() {
    return namesOf(false);
}

P<IArray> CXmlValueStore::getSubStoreNames() {
    return namesOf(true);
}

void CXmlValueStore::removeNamed(StringArg name, bool subStores) {
    valueStore::requireWrite(m_mode, m_uri.get());
    XMLElement* parent = element(false);
    std::string text = valueStore::utf8(name);
    while (XMLElement* child = findChild(parent, text, subStores ? Kind::store : Kind::value))
        parent->DeleteChild(child);
}

void CXmlValueStore::removeValue(StringArg name) {
    removeNamed(name, false);
}

void CXmlValueStore::removeSubStore(StringArg name) {
    removeNamed(name, true);
}

void CXmlValueStore::save() {
    valueStore::requireWrite(m_mode, m_uri.get());
    if (!m_uri)
        return;
    element(true);
    // The parser lets stray text stand beside the root element; written back first in the file
    // it could pass for a byte-order mark, so the file would not read back. It is no content of
    // the store: it goes, and a declaration saying UTF-8 comes first.
    for (tinyxml2::XMLNode* node = m_document->FirstChild(); node;) {
        tinyxml2::XMLNode* next = node->NextSibling();
        if (node->ToText())
            m_document->DeleteChild(node);
        node = next;
    }
    if (!m_document->FirstChild()->ToDeclaration())
        m_document->InsertFirstChild(m_document->NewDeclaration());
    tinyxml2::XMLPrinter printer;
    m_document->Print(&printer);
    valueStore::saveAtomically(*m_uri, [&printer](IOutStream& out) {
        // CStrSize counts the terminating zero, which has no place in the file.
        out.write(printer.CStr(), printer.CStrSize() - 1);
    });
}

void CXmlValueStore::reload() {
    if (!(m_mode & valueStoreRead) || !m_uri)
        return;
    m_document->Clear();
    if (!getFileSystemManager()->fileExists(m_uri.get()))
        return;
    // The file is written in UTF-8, so it is read so whatever the locale; a byte-order mark
    // (UTF-16 from another editor, say) still decides.
    P<IString> text =
        stringConv::toUTF8(CTextFileReader(m_uri.get(), CTextFileReader::utf8).getText());
    if (m_document->Parse(static_cast<const char*>(text->getData()),
                          static_cast<size_t>(text->getByteLength())) != tinyxml2::XML_SUCCESS) {
        int line = m_document->ErrorLineNum();
        m_document->Clear();
        throw CParseError(str("XML Parse Error in file '%FILE%', line %LINE%.")
                              ->replace("%FILE%", *m_uri->toUTF8String())
                              ->replace("%LINE%", *stringConv::fromStd(std::to_string(line))));
    }
}

void CXmlValueStore::assignTo(IValueStore& /*other*/) {
    throw CMethodNotImplementedError(this, str("CXmlValueStore::assignTo"));
}

P<IValueStore> CXmlValueStoreFactory::createValueStore(IURI* uri, int32_t mode) {
    if (!uri || !uri->isScheme("file") || !uri->isExtension(".xml"))
        return nullptr;
    return make<CXmlValueStore>(P<IURI>(uri), mode);
}

} // namespace tamu
