#include "tamu/CURI.h"

#include "charEncodingInstances.h"
#include "tamu/CValueList.h"
#include "tamu/IString.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"
#include "uriText.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace tamu {

using uriText::EscapeSet;

namespace {

P<IString> textOf(const std::string& text) {
    if (text.empty())
        return emptyString();
    return stringConv::fromStd(text);
}

StringArg argOf(const std::string& text) {
    return StringArg(text.data(), static_cast<int32_t>(text.size()), *utf8EncodingInstance());
}

// Decoded components may hold bytes that are no characters (file names); they are taken over
// as they are.
std::string utf8Of(const P<IString>& text) {
    return text ? uriText::bytesOf(*text) : std::string();
}

// The segments of a path after one leading "/"; a final "/" ends the last segment without
// starting another.
std::vector<std::string_view> segmentsOf(std::string_view path) {
    if (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    std::vector<std::string_view> segments;
    size_t start = 0;
    while (start < path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos)
            slash = path.size();
        segments.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return segments;
}

} // namespace

CURI::CURI() = default;

CURI::CURI(const CURI& other) = default;

CURI::CURI(const IURI& other) {
    copyFrom(other);
}

CURI::CURI(StringArg text) {
    // Bytes of the text that are no UTF-8 character are kept as escapes, as a file name that is
    // not UTF-8 arrives: they name a file, and none of them may act as a '.' or a '/'.
    parse(uriText::escapeInvalidBytes(uriText::bytesOf(text)));
}

CURI::CURI(StringArg scheme, StringArg path, StringArg host, StringArg portText, StringArg userInfo,
           StringArg query, StringArg fragment)
    : m_scheme(uriText::utf8Of(scheme)), m_host(uriText::utf8Of(host)),
      m_portText(uriText::utf8Of(portText)), m_relative(m_scheme.empty()), m_hierarchical(true) {
    std::string user = uriText::bytesOf(userInfo);
    if (!user.empty())
        m_rawUserInfo = uriText::escape(user, EscapeSet::userInfo);
    if (!m_portText.empty() && !uriText::parseDecimal(m_portText, m_port))
        m_port = -1;
    if (!user.empty() || !m_host.empty() || !m_portText.empty()) {
        m_authorityGiven = true;
        if (!user.empty())
            m_rawAuthority = m_rawUserInfo + '@';
        m_rawAuthority += m_host;
        if (!m_portText.empty())
            m_rawAuthority += ':' + m_portText;
    }
    std::string plainPath = uriText::bytesOf(path);
    if (!plainPath.empty()) {
        // Behind an authority a path can only be absolute; "p" would otherwise run into the host.
        if (!m_host.empty() && plainPath.front() != '/')
            plainPath.insert(0, 1, '/');
        m_rawPath = uriText::escape(plainPath, EscapeSet::path);
        uriText::removeDotSegments(m_rawPath);
    }
    m_rawQuery = uriText::escape(uriText::bytesOf(query), EscapeSet::queryOrFragment);
    m_rawFragment = uriText::escape(uriText::bytesOf(fragment), EscapeSet::queryOrFragment);
    rebuildSchemeSpecificPart();
    decodeComponents();
}

CURI::CURI(const IURI& base, const IURI& reference) {
    copyFrom(reference);
    resolve(base);
}

void CURI::parse(std::string text) {
    // Escaped non-ASCII characters become characters now, so the raw form holds them as text;
    // escaped ASCII characters keep their escapes, whose meaning (a "/" or "?" inside a
    // segment) the delimiters below must not see.
    text = uriText::decode(text, 128);

    size_t delimiter = text.find_first_of(":/?#");
    if (delimiter != std::string::npos && text[delimiter] == ':') {
        m_scheme = text.substr(0, delimiter);
        m_rawSchemeSpecificPart = text.substr(delimiter + 1);
        m_relative = false;
    } else {
        m_rawSchemeSpecificPart = std::move(text);
        m_relative = true;
    }

    const std::string& part = m_rawSchemeSpecificPart;
    if (!m_relative && (part.empty() || part.front() != '/')) {
        m_hierarchical = false;
        m_rawPath = part;
    } else {
        m_hierarchical = true;
        size_t position = 0;
        if (part.starts_with("//")) {
            size_t end = std::min(part.find_first_of("/?#", 2), part.size());
            m_rawAuthority = part.substr(2, end - 2);
            m_authorityGiven = true;
            splitAuthority();
            position = end;
        }
        size_t pathEnd = std::min(part.find_first_of("?#", position), part.size());
        m_rawPath = part.substr(position, pathEnd - position);
        position = pathEnd;
        if (position < part.size() && part[position] == '?') {
            size_t queryEnd = std::min(part.find('#', position + 1), part.size());
            m_rawQuery = part.substr(position + 1, queryEnd - position - 1);
            position = queryEnd;
        }
        if (position < part.size() && part[position] == '#')
            m_rawFragment = part.substr(position + 1);
    }
    decodeComponents();
}

void CURI::splitAuthority() {
    m_rawUserInfo.clear();
    m_host.clear();
    m_portText.clear();
    m_port = -1;
    std::string_view rest = m_rawAuthority;
    size_t at = rest.find('@');
    if (at != std::string_view::npos) {
        m_rawUserInfo = rest.substr(0, at);
        rest.remove_prefix(at + 1);
    }
    // The last ':' behind any ']': an IPv6 literal keeps its colons.
    size_t last = rest.find_last_of(":]");
    if (last != std::string_view::npos && rest[last] == ':') {
        m_host = rest.substr(0, last);
        m_portText = rest.substr(last + 1);
    } else {
        m_host = rest;
    }
    if (!m_portText.empty() && !uriText::parseDecimal(m_portText, m_port)) {
        // Not a server address: only the authority as a whole has a meaning.
        m_rawUserInfo.clear();
        m_host.clear();
        m_portText.clear();
        m_port = -1;
    }
}

void CURI::clearAuthority() {
    m_authorityGiven = false;
    m_rawAuthority.clear();
    m_rawUserInfo.clear();
    m_host.clear();
    m_portText.clear();
    m_port = -1;
}

bool CURI::writesAuthority() const {
    // A path that begins with "//" needs the delimiter too: its first segment would read back
    // as the authority.
    return m_authorityGiven || !m_rawAuthority.empty() || m_rawPath.starts_with("//");
}

void CURI::rebuildSchemeSpecificPart() {
    std::string part;
    if (writesAuthority())
        part = "//" + m_rawAuthority;
    part += m_rawPath;
    if (!m_rawQuery.empty())
        part += '?' + m_rawQuery;
    if (!m_rawFragment.empty())
        part += '#' + m_rawFragment;
    m_rawSchemeSpecificPart = std::move(part);
}

void CURI::decodeComponents() {
    m_schemeSpecificPart = uriText::decode(m_rawSchemeSpecificPart, 0);
    m_authority = uriText::decode(m_rawAuthority, 0);
    m_userInfo = uriText::decode(m_rawUserInfo, 0);
    m_path = uriText::decode(m_rawPath, 0);
    m_query = uriText::decode(m_rawQuery, 0);
    m_fragment = uriText::decode(m_rawFragment, 0);

    uriText::FileParts raw;
    if (!m_path.empty()) {
        uriText::removeDotSegments(m_path);
        raw = uriText::deriveFileParts(m_rawPath);
    }
    m_rawFileName = std::move(raw.fileName);
    m_rawName = std::move(raw.name);
    m_rawExtension = std::move(raw.extension);
    m_rawFolderPath = std::move(raw.folderPath);
    m_fileName = uriText::decode(m_rawFileName, 0);
    m_name = uriText::decode(m_rawName, 0);
    m_extension = uriText::decode(m_rawExtension, 0);
    m_folderPath = uriText::decode(m_rawFolderPath, 0);
}

void CURI::copyFrom(const IURI& other) {
    if (auto* same = dynamic_cast<const CURI*>(&other)) {
        *this = *same;
        return;
    }
    m_scheme = utf8Of(other.getScheme());
    m_rawSchemeSpecificPart = utf8Of(other.getRawSchemeSpecificPart());
    m_schemeSpecificPart = utf8Of(other.getSchemeSpecificPart());
    m_rawAuthority = utf8Of(other.getRawAuthority());
    m_authority = utf8Of(other.getAuthority());
    m_rawUserInfo = utf8Of(other.getRawUserInfo());
    m_userInfo = utf8Of(other.getUserInfo());
    m_host = utf8Of(other.getHost());
    m_portText = utf8Of(other.getPortText());
    m_port = other.getPort();
    m_rawPath = utf8Of(other.getRawPath());
    m_path = utf8Of(other.getPath());
    m_rawFileName = utf8Of(other.getRawFileName());
    m_fileName = utf8Of(other.getFileName());
    m_rawName = utf8Of(other.getRawName());
    m_name = utf8Of(other.getName());
    m_rawExtension = utf8Of(other.getRawExtension());
    m_extension = utf8Of(other.getExtension());
    m_rawFolderPath = utf8Of(other.getRawFolderPath());
    m_folderPath = utf8Of(other.getFolderPath());
    m_rawQuery = utf8Of(other.getRawQuery());
    m_query = utf8Of(other.getQuery());
    m_rawFragment = utf8Of(other.getRawFragment());
    m_fragment = utf8Of(other.getFragment());
    m_relative = other.isRelative();
    m_hierarchical = other.isHierarchical();
    m_authorityGiven = authorityGiven(other);
}

bool CURI::authorityGiven(const IURI& uri) {
    if (auto* same = dynamic_cast<const CURI*>(&uri))
        return same->m_authorityGiven;
    // Another implementation writes an authority, empty or not, as "//" before the path.
    return uri.isHierarchical() && utf8Of(uri.getRawSchemeSpecificPart()).starts_with("//");
}

std::string CURI::text() const {
    std::string text;
    // A text that began with ':' (an empty scheme) keeps it, or it would read back as relative.
    if (!m_scheme.empty() || (!m_relative && !m_rawSchemeSpecificPart.empty()))
        text = m_scheme + ':';
    if (writesAuthority())
        text += "//" + m_rawAuthority;
    text += m_rawPath;
    if (!m_rawQuery.empty())
        text += '?' + m_rawQuery;
    if (!m_rawFragment.empty())
        text += '#' + m_rawFragment;
    return text;
}

P<IString> CURI::toString() const {
    return textOf(text());
}

bool CURI::isEmpty() const {
    bool blankPath = std::all_of(m_path.begin(), m_path.end(),
                                 [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
    return m_scheme.empty() && m_userInfo.empty() && m_host.empty() && m_portText.empty() &&
           m_query.empty() && m_fragment.empty() && blankPath;
}

bool CURI::isFolder() const {
    return !m_path.empty() && m_path.back() == '/';
}

bool CURI::isScheme(StringArg name) const {
    return !m_scheme.empty() && textOf(m_scheme)->equalsIgnoreCase(name);
}

bool CURI::isExtension(StringArg extension) const {
    if (m_extension.empty())
        return extension.byteLength() == 0;
    return textOf(m_extension)->equalsIgnoreCase(extension);
}

P<IString> CURI::getScheme() const {
    return textOf(m_scheme);
}
P<IString> CURI::getSchemeSpecificPart() const {
    return textOf(m_schemeSpecificPart);
}
P<IString> CURI::getRawSchemeSpecificPart() const {
    return textOf(m_rawSchemeSpecificPart);
}
P<IString> CURI::getAuthority() const {
    return textOf(m_authority);
}
P<IString> CURI::getRawAuthority() const {
    return textOf(m_rawAuthority);
}
P<IString> CURI::getUserInfo() const {
    return textOf(m_userInfo);
}
P<IString> CURI::getRawUserInfo() const {
    return textOf(m_rawUserInfo);
}
P<IString> CURI::getHost() const {
    return textOf(m_host);
}
P<IString> CURI::getPortText() const {
    return textOf(m_portText);
}
P<IString> CURI::getPath() const {
    return textOf(m_path);
}
P<IString> CURI::getRawPath() const {
    return textOf(m_rawPath);
}
P<IString> CURI::getFileName() const {
    return textOf(m_fileName);
}
P<IString> CURI::getRawFileName() const {
    return textOf(m_rawFileName);
}
P<IString> CURI::getName() const {
    return textOf(m_name);
}
P<IString> CURI::getRawName() const {
    return textOf(m_rawName);
}
P<IString> CURI::getExtension() const {
    return textOf(m_extension);
}
P<IString> CURI::getRawExtension() const {
    return textOf(m_rawExtension);
}
P<IString> CURI::getFolderPath() const {
    return textOf(m_folderPath);
}
P<IString> CURI::getRawFolderPath() const {
    return textOf(m_rawFolderPath);
}
P<IString> CURI::getQuery() const {
    return textOf(m_query);
}
P<IString> CURI::getRawQuery() const {
    return textOf(m_rawQuery);
}
P<IString> CURI::getFragment() const {
    return textOf(m_fragment);
}
P<IString> CURI::getRawFragment() const {
    return textOf(m_rawFragment);
}

P<IURI> CURI::getParent() const {
    if (m_folderPath.empty())
        return nullptr;
    P<CURI> parent =
        make<CURI>(argOf(m_scheme), argOf(m_folderPath), argOf(m_host), argOf(m_portText),
                   argOf(m_userInfo), argOf(m_query), argOf(m_fragment));
    // The parent of "file:///a/b" is "file:///a/", written the way its child was.
    if (m_authorityGiven && !parent->m_authorityGiven) {
        parent->m_authorityGiven = true;
        parent->rebuildSchemeSpecificPart();
        parent->m_schemeSpecificPart = uriText::decode(parent->m_rawSchemeSpecificPart, 0);
    }
    return parent;
}

P<IURI> CURI::getFolder() const {
    if (isFolder())
        return clone();
    return getParent();
}

P<IValueList> CURI::getQueryParameters() const {
    auto parameters = make<CValueList>(true);
    std::string_view query = m_query;
    size_t start = 0;
    while (start < query.size()) {
        size_t end = std::min(query.find('&', start), query.size());
        std::string_view piece = query.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;
        size_t equals = std::min(piece.find('='), piece.size());
        std::string key(piece.substr(0, equals));
        std::string value = equals < piece.size() ? std::string(piece.substr(equals + 1)) : "";
        // The query is decoded already; each key's later piece replaces its earlier one.
        parameters->set(argOf(key), textOf(value));
    }
    return parameters;
}

P<IString> CURI::getQueryParameter(StringArg key) const {
    std::string name = uriText::utf8Of(key);
    std::string_view query = m_query;
    size_t position = 0;
    for (;;) {
        size_t valueStart = position + name.size();
        if (query.compare(position, name.size(), name) == 0 && valueStart < query.size() &&
            query[valueStart] == '=') {
            ++valueStart;
            size_t end = std::min(query.find('&', valueStart), query.size());
            return textOf(uriText::decode(query.substr(valueStart, end - valueStart), 0));
        }
        size_t ampersand = query.find('&', position);
        if (ampersand == std::string_view::npos)
            return emptyString();
        position = ampersand + 1;
    }
}

void CURI::resolve(const IURI& base) {
    if (!m_relative)
        return;

    if (m_scheme.empty() && m_rawAuthority.empty() && m_rawPath.empty() && m_rawQuery.empty()) {
        // A reference within the base document: the base with this fragment.
        std::string rawFragment = std::move(m_rawFragment);
        std::string fragment = std::move(m_fragment);
        copyFrom(base);
        m_rawFragment = std::move(rawFragment);
        m_fragment = std::move(fragment);
        if (m_hierarchical) {
            rebuildSchemeSpecificPart();
            m_schemeSpecificPart = uriText::decode(m_rawSchemeSpecificPart, 0);
        }
        return;
    }

    if (base.hasScheme())
        m_scheme = utf8Of(base.getScheme());
    if (!m_authorityGiven) {
        m_rawAuthority = utf8Of(base.getRawAuthority());
        m_authorityGiven = authorityGiven(base);
        if (m_rawPath.empty() || m_rawPath.front() != '/') {
            std::string merged = utf8Of(base.getRawPath());
            size_t slash = merged.rfind('/');
            merged.erase(slash == std::string::npos ? 0 : slash + 1);
            // Behind an authority the path is absolute even when the base has none.
            if (merged.empty() && m_authorityGiven)
                merged = "/";
            merged += m_rawPath;
            uriText::removeDotSegments(merged);
            m_rawPath = std::move(merged);
        }
    }
    rebuildSchemeSpecificPart();
    splitAuthority();
    decodeComponents();
    if (!m_scheme.empty())
        m_relative = false;
}

void CURI::makeRelative(const IURI& base) {
    if (m_relative || m_scheme != utf8Of(base.getScheme()))
        return;
    std::string basePath = utf8Of(base.getRawPath());
    std::vector<std::string_view> mine = segmentsOf(m_rawPath);
    std::vector<std::string_view> theirs = segmentsOf(basePath);
    size_t common = 0;
    while (common < mine.size() && common < theirs.size() && mine[common] == theirs[common])
        ++common;
    if (common == 0 && !base.isRoot())
        return;

    std::string path;
    for (size_t i = common; i < theirs.size(); ++i)
        path += "../";
    for (size_t i = common; i < mine.size(); ++i) {
        path += mine[i];
        path += '/';
    }
    if (!isFolder() && !path.empty() && path.back() == '/')
        path.pop_back();

    m_rawPath = std::move(path);
    m_scheme.clear();
    m_relative = true;
    clearAuthority();
    rebuildSchemeSpecificPart();
    decodeComponents();
}

P<IURI> CURI::clone() const {
    return make<CURI>(*this);
}

P<IString> CURI::toASCIIString() const {
    return textOf(uriText::escapeNonASCII(text()));
}

P<IString> CURI::toUTF8String() const {
    return textOf(text());
}

bool CURI::equalsURI(const P<IURI>& other) const {
    return other && equals(*other);
}

bool CURI::equals(const IURI& other) const {
    if (auto* same = dynamic_cast<const CURI*>(&other))
        return text() == same->text();
    return text() == utf8Of(other.toString());
}

} // namespace tamu
