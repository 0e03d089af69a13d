#pragma once

#include "tamu/IBase.h"
#include "tamu/P.h"
#include "tamu/StringArg.h"

#include <cstdint>

namespace tamu {

class IString;
class IValueList;

// A parsed location. Every component is kept twice: raw (as written, escapes included) and
// decoded; an empty string stands for an absent component. Its text form is toString(), built
// from the raw components. Getters never throw and return new string references.
class TAMU_API IURI : public virtual IBase {
public:
    // No scheme, user info, host, port, query or fragment, and a blank path.
    virtual bool isEmpty() const = 0;
    // Without a scheme part.
    virtual bool isRelative() const = 0;
    // False for an opaque URI (a scheme followed by text that does not begin with "/").
    virtual bool isHierarchical() const = 0;
    // The decoded path ends with "/".
    virtual bool isFolder() const = 0;

    virtual bool hasScheme() const = 0;
    // Scheme names compare without regard to letter case; false without a scheme.
    virtual bool isScheme(StringArg name) const = 0;
    virtual P<IString> getScheme() const = 0;
    // Everything after "scheme:", query and fragment included.
    virtual P<IString> getSchemeSpecificPart() const = 0;
    virtual P<IString> getRawSchemeSpecificPart() const = 0;

    virtual bool hasAuthority() const = 0;
    virtual P<IString> getAuthority() const = 0;
    virtual P<IString> getRawAuthority() const = 0;
    virtual bool hasUserInfo() const = 0;
    virtual P<IString> getUserInfo() const = 0;
    virtual P<IString> getRawUserInfo() const = 0;
    // As written (an IPv6 literal keeps its brackets).
    virtual bool hasHost() const = 0;
    virtual P<IString> getHost() const = 0;
    virtual bool hasPort() const = 0;
    virtual P<IString> getPortText() const = 0;
    // -1 without a port.
    virtual int32_t getPort() const = 0;

    // The decoded path has its "." and ".." segments removed; the raw path keeps them.
    virtual bool hasPath() const = 0;
    virtual P<IString> getPath() const = 0;
    virtual P<IString> getRawPath() const = 0;
    // The last segment of a path that does not end with "/".
    virtual bool hasFileName() const = 0;
    virtual P<IString> getFileName() const = 0;
    virtual P<IString> getRawFileName() const = 0;
    // The file name, or the last folder's name for a path ending with "/".
    virtual bool hasName() const = 0;
    virtual P<IString> getName() const = 0;
    virtual P<IString> getRawName() const = 0;
    // `extension` includes its dot (".flac") and compares without regard to letter case; an
    // empty one matches a file name without extension.
    virtual bool isExtension(StringArg extension) const = 0;
    virtual bool hasExtension() const = 0;
    virtual P<IString> getExtension() const = 0;
    virtual P<IString> getRawExtension() const = 0;
    // The path up to and including the "/" in front of the name.
    virtual bool hasFolderPath() const = 0;
    virtual P<IString> getFolderPath() const = 0;
    virtual P<IString> getRawFolderPath() const = 0;
    // The URI of the folder path (scheme, authority, query and fragment kept); null without one.
    virtual P<IURI> getParent() const = 0;
    // A copy of a folder URI, else the parent; null when there is none.
    virtual P<IURI> getFolder() const = 0;

    virtual bool hasQuery() const = 0;
    virtual P<IString> getQuery() const = 0;
    virtual P<IString> getRawQuery() const = 0;
    // A new case-sensitive value list mapping each key of the decoded query to its value text,
    // as it stands in the decoded query (not decoded a second time). A piece without "=" is a
    // key with an empty value; of keys given twice the last counts, since each piece is set in
    // turn (getQueryParameter, which scans from the start, answers the first).
    virtual P<IValueList> getQueryParameters() const = 0;
    // The value of "key=value" in the decoded query, decoded once more; empty when absent.
    virtual P<IString> getQueryParameter(StringArg key) const = 0;
    virtual bool hasFragment() const = 0;
    virtual P<IString> getFragment() const = 0;
    virtual P<IString> getRawFragment() const = 0;

    // The decoded path is "/".
    virtual bool isRoot() const = 0;
    // The decoded folder path is "/".
    virtual bool isInRoot() const = 0;

    // Resolves this reference against `base` in place; an absolute URI stays as it is.
    virtual void resolve(const IURI& base) = 0;
    // Turns this absolute URI into a reference relative to the folder URI `base`, in place.
    // Nothing changes when this is relative or the schemes differ.
    virtual void makeRelative(const IURI& base) = 0;
    virtual P<IURI> clone() const = 0;

    // toString() with each non-ASCII character written as the escapes of its UTF-8 bytes.
    virtual P<IString> toASCIIString() const = 0;
    // toString() as a UTF-8 string.
    virtual P<IString> toUTF8String() const = 0;
    // false for a null pointer, else equals().
    virtual bool equalsURI(const P<IURI>& other) const = 0;
    // The texts are equal character for character (letter case counts).
    virtual bool equals(const IURI& other) const = 0;
};

} // namespace tamu
