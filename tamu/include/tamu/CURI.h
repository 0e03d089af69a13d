#pragma once

#include "tamu/CObject.h"
#include "tamu/IURI.h"

#include <cstdint>
#include <string>

namespace tamu {

// A URI parsed once into its components. Parsing is lenient and never throws: text that fits
// no other form becomes a relative URI with that text as its path. Callers that need a
// particular form check the parts and raise CURIFormatError themselves.
class CURI : public CObject, public virtual IURI {
public:
    // The empty URI.
    CURI();
    CURI(const CURI& other);
    // Every component taken over through the getters.
    explicit CURI(const IURI& other);
    // Parses a text. Escaped non-ASCII characters ("%C3%A9") are decoded into the raw form
    // too; escaped ASCII characters stay escaped there.
    explicit CURI(StringArg text);
    // Builds a URI from unescaped components, any of which may be empty; the path, user info,
    // query and fragment are escaped, host and port text are taken as they are.
    CURI(StringArg scheme, StringArg path, StringArg host, StringArg portText, StringArg userInfo,
         StringArg query, StringArg fragment);
    // `reference` resolved against `base`.
    CURI(const IURI& base, const IURI& reference);

    P<IString> toString() const override;

    bool isEmpty() const override;
    bool isRelative() const override { return m_relative; }
    bool isHierarchical() const override { return m_hierarchical; }
    bool isFolder() const override;

    bool hasScheme() const override { return !m_scheme.empty(); }
    bool isScheme(StringArg name) const override;
    P<IString> getScheme() const override;
    P<IString> getSchemeSpecificPart() const override;
    P<IString> getRawSchemeSpecificPart() const override;

    bool hasAuthority() const override { return !m_authority.empty(); }
    P<IString> getAuthority() const override;
    P<IString> getRawAuthority() const override;
    bool hasUserInfo() const override { return !m_userInfo.empty(); }
    P<IString> getUserInfo() const override;
    P<IString> getRawUserInfo() const override;
    bool hasHost() const override { return !m_host.empty(); }
    P<IString> getHost() const override;
    bool hasPort() const override { return !m_portText.empty(); }
    P<IString> getPortText() const override;
    int32_t getPort() const override { return m_port; }

    bool hasPath() const override { return !m_path.empty(); }
    P<IString> getPath() const override;
    P<IString> getRawPath() const override;
    bool hasFileName() const override { return !m_fileName.empty(); }
    P<IString> getFileName() const override;
    P<IString> getRawFileName() const override;
    bool hasName() const override { return !m_name.empty(); }
    P<IString> getName() const override;
    P<IString> getRawName() const override;
    bool isExtension(StringArg extension) const override;
    bool hasExtension() const override { return !m_extension.empty(); }
    P<IString> getExtension() const override;
    P<IString> getRawExtension() const override;
    bool hasFolderPath() const override { return !m_folderPath.empty(); }
    P<IString> getFolderPath() const override;
    P<IString> getRawFolderPath() const override;
    P<IURI> getParent() const override;
    P<IURI> getFolder() const override;

    bool hasQuery() const override { return !m_query.empty(); }
    P<IString> getQuery() const override;
    P<IString> getRawQuery() const override;
    P<IValueList> getQueryParameters() const override;
    P<IString> getQueryParameter(StringArg key) const override;
    bool hasFragment() const override { return !m_fragment.empty(); }
    P<IString> getFragment() const override;
    P<IString> getRawFragment() const override;

    bool isRoot() const override { return m_path == "/"; }
    bool isInRoot() const override { return m_folderPath == "/"; }

    void resolve(const IURI& base) override;
    void makeRelative(const IURI& base) override;
    P<IURI> clone() const override;

    P<IString> toASCIIString() const override;
    P<IString> toUTF8String() const override;
    bool equalsURI(const P<IURI>& other) const override;
    bool equals(const IURI& other) const override;

private:
    // Only for taking over another URI whole (resolve, copies); a URI is otherwise a value.
    CURI& operator=(const CURI&) = default;

    void parse(std::string text);
    void splitAuthority();
    void clearAuthority();
    bool writesAuthority() const;
    // "//authority" + path + "?query" + "#fragment" from the raw members.
    void rebuildSchemeSpecificPart();
    // The decoded twins of every raw member, the normalised path and the file parts.
    void decodeComponents();
    void copyFrom(const IURI& other);
    static bool authorityGiven(const IURI& uri);
    std::string text() const;

    // UTF-8 text; an empty string is an absent component.
    std::string m_scheme;
    std::string m_rawSchemeSpecificPart;
    std::string m_schemeSpecificPart;
    std::string m_rawAuthority;
    std::string m_authority;
    std::string m_rawUserInfo;
    std::string m_userInfo;
    std::string m_host;
    std::string m_portText;
    int32_t m_port = -1;
    std::string m_rawPath;
    std::string m_path;
    std::string m_rawFileName;
    std::string m_fileName;
    std::string m_rawName;
    std::string m_name;
    std::string m_rawExtension;
    std::string m_extension;
    std::string m_rawFolderPath;
    std::string m_folderPath;
    std::string m_rawQuery;
    std::string m_query;
    std::string m_rawFragment;
    std::string m_fragment;
    bool m_relative = false;
    bool m_hierarchical = false;
    // The text had "//" before its path, so an authority is present even when it is empty
    // ("file:///a"); writing it back keeps the text as it was given.
    bool m_authorityGiven = false;
};

} // namespace tamu
