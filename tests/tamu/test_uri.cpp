#include "tamu/CURI.h"
#include "tamu/IString.h"
#include "tamu/IValueList.h"
#include "tamu/stringConv.h"
#include "tamu/uriText.h"

#include <gtest/gtest.h>

#include <string>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return text ? stringConv::toStdString(*text) : std::string("<null>");
}

P<CURI> uri(const char* text) {
    return make<CURI>(text);
}

P<CURI> built(const char* scheme, const char* path, const char* host = "",
              const char* portText = "", const char* userInfo = "", const char* query = "",
              const char* fragment = "") {
    return make<CURI>(scheme, path, host, portText, userInfo, query, fragment);
}

} // namespace

TEST(URIParse, FileURIWithEmptyAuthority) {
    auto u = uri("file:///C:/Music/a%20b.flac");
    EXPECT_EQ("file", s(u->getScheme()));
    EXPECT_FALSE(u->isRelative());
    EXPECT_TRUE(u->isHierarchical());
    EXPECT_FALSE(u->hasAuthority());
    EXPECT_EQ("", s(u->getRawAuthority()));
    EXPECT_EQ("/C:/Music/a%20b.flac", s(u->getRawPath()));
    EXPECT_EQ("/C:/Music/a b.flac", s(u->getPath()));
    EXPECT_EQ("a b.flac", s(u->getFileName()));
    EXPECT_EQ("a%20b.flac", s(u->getRawFileName()));
    EXPECT_EQ("a b.flac", s(u->getName()));
    EXPECT_EQ(".flac", s(u->getExtension()));
    EXPECT_EQ("/C:/Music/", s(u->getFolderPath()));
    EXPECT_EQ(-1, u->getPort());
    EXPECT_FALSE(u->hasPort());
    EXPECT_EQ("///C:/Music/a%20b.flac", s(u->getRawSchemeSpecificPart()));
    EXPECT_EQ("///C:/Music/a b.flac", s(u->getSchemeSpecificPart()));
    // An empty authority is not written back.
    EXPECT_EQ("file:/C:/Music/a%20b.flac", s(u->toString()));

    // ... unless the path begins with "//": it would read back as an authority.
    auto doubleSlash = uri("net:////x/y");
    EXPECT_FALSE(doubleSlash->hasAuthority());
    EXPECT_EQ("//x/y", s(doubleSlash->getPath()));
    EXPECT_EQ("net:////x/y", s(doubleSlash->toString()));
    EXPECT_EQ("//x/y", s(make<CURI>(doubleSlash->toString())->getPath()));
}

TEST(URIParse, RelativeOpaqueAndSchemeless) {
    auto relative = uri("music/x.flac");
    EXPECT_TRUE(relative->isRelative());
    EXPECT_TRUE(relative->isHierarchical());
    EXPECT_FALSE(relative->hasScheme());
    EXPECT_EQ("music/x.flac", s(relative->getPath()));
    EXPECT_EQ("music/", s(relative->getFolderPath()));
    EXPECT_EQ("music/x.flac", s(relative->toString()));

    auto opaque = uri("note:someone");
    EXPECT_FALSE(opaque->isRelative());
    EXPECT_FALSE(opaque->isHierarchical());
    EXPECT_EQ("someone", s(opaque->getPath()));
    EXPECT_FALSE(opaque->hasAuthority());
    EXPECT_EQ("note:someone", s(opaque->toString()));

    // An opaque part is one path: "?" and "#" in it start nothing.
    auto mail = uri("mailto:a@b.c?subject=x#y");
    EXPECT_FALSE(mail->isHierarchical());
    EXPECT_EQ("a@b.c?subject=x#y", s(mail->getPath()));
    EXPECT_FALSE(mail->hasQuery());
    EXPECT_FALSE(mail->hasFragment());
    EXPECT_EQ("mailto:a@b.c?subject=x#y", s(mail->toString()));

    // A ':' behind the first '/' is no scheme delimiter.
    auto colonInPath = uri("dir/a:b");
    EXPECT_TRUE(colonInPath->isRelative());
    EXPECT_EQ("dir/a:b", s(colonInPath->getPath()));

    // A Windows path reads as a one-letter scheme with an opaque part.
    auto drive = uri("C:\\x.flac");
    EXPECT_EQ("C", s(drive->getScheme()));
    EXPECT_FALSE(drive->isHierarchical());

    auto noScheme = uri(":a:b");
    EXPECT_TRUE(noScheme->isRelative());
    EXPECT_EQ(":a:b", s(noScheme->getPath()));
    EXPECT_EQ(":a:b", s(noScheme->toString()));

    // Query and fragment without path, and an empty query that is not written back.
    auto queryOnly = uri("?a=1#top");
    EXPECT_TRUE(queryOnly->isRelative());
    EXPECT_FALSE(queryOnly->hasPath());
    EXPECT_EQ("a=1", s(queryOnly->getQuery()));
    EXPECT_EQ("top", s(queryOnly->getFragment()));
    EXPECT_EQ("net://h/p", s(uri("net://h/p?")->toString()));
}

TEST(URIParse, AuthorityParts) {
    auto u = uri("net://user@host:8080/p?q=1#f");
    EXPECT_EQ("user@host:8080", s(u->getAuthority()));
    EXPECT_EQ("user", s(u->getUserInfo()));
    EXPECT_EQ("host", s(u->getHost()));
    EXPECT_EQ("8080", s(u->getPortText()));
    EXPECT_EQ(8080, u->getPort());
    EXPECT_EQ("/p", s(u->getPath()));
    EXPECT_EQ("q=1", s(u->getQuery()));
    EXPECT_EQ("f", s(u->getFragment()));
    EXPECT_EQ("net://user@host:8080/p?q=1#f", s(u->toString()));

    // The user info ends at the first '@'; an escaped '@' stays in it, decoded only in the twin.
    auto escapedAt = uri("net://a%40b@h/");
    EXPECT_EQ("a%40b", s(escapedAt->getRawUserInfo()));
    EXPECT_EQ("a@b", s(escapedAt->getUserInfo()));
    EXPECT_EQ("h", s(escapedAt->getHost()));

    // A host with an empty port text has no port.
    auto emptyPort = uri("net://h:/p");
    EXPECT_EQ("h", s(emptyPort->getHost()));
    EXPECT_FALSE(emptyPort->hasPort());
    EXPECT_EQ(-1, emptyPort->getPort());

    // An authority without a path.
    auto bare = uri("net://h?x");
    EXPECT_EQ("h", s(bare->getHost()));
    EXPECT_FALSE(bare->hasPath());
    EXPECT_EQ("x", s(bare->getQuery()));
}

TEST(URIParse, IPv6HostsKeepTheirColons) {
    auto withPort = uri("net://[::1]:80/x");
    EXPECT_EQ("[::1]", s(withPort->getHost()));
    EXPECT_EQ(80, withPort->getPort());
    EXPECT_EQ("80", s(withPort->getPortText()));

    auto withoutPort = uri("net://[::1]/x");
    EXPECT_EQ("[::1]", s(withoutPort->getHost()));
    EXPECT_FALSE(withoutPort->hasPort());
    EXPECT_EQ(-1, withoutPort->getPort());

    auto full = uri("net://u@[2001:db8::7]:8443");
    EXPECT_EQ("u", s(full->getUserInfo()));
    EXPECT_EQ("[2001:db8::7]", s(full->getHost()));
    EXPECT_EQ(8443, full->getPort());
    EXPECT_EQ("net://u@[2001:db8::7]:8443", s(full->toString()));
}

TEST(URIParse, NonNumericPortLeavesOnlyTheRawAuthority) {
    for (const char* text :
         {"net://host:abc/p", "net://user@host:8o/p", "net://h:99999999999/p", "net://[::1]:x/p"}) {
        SCOPED_TRACE(text);
        auto u = uri(text);
        EXPECT_TRUE(u->hasAuthority());
        EXPECT_FALSE(u->hasHost());
        EXPECT_FALSE(u->hasUserInfo());
        EXPECT_FALSE(u->hasPort());
        EXPECT_EQ(-1, u->getPort());
        EXPECT_EQ("/p", s(u->getPath()));
        // The text is still written as it was.
        EXPECT_EQ(text, s(u->toString()));
    }
    EXPECT_EQ("host:abc", s(uri("net://host:abc/p")->getRawAuthority()));
}

TEST(URIParse, DotSegmentsLeaveTheRawPathAlone) {
    auto u = uri("a/./b/../c");
    EXPECT_EQ("a/c", s(u->getPath()));
    EXPECT_EQ("a/./b/../c", s(u->getRawPath()));
    EXPECT_EQ("a/./b/../c", s(u->toString()));
    EXPECT_EQ("c", s(u->getFileName()));

    EXPECT_EQ("../x", s(uri("../x")->getPath()));
    EXPECT_EQ("/a/g", s(uri("file:///a/b/c/./../../g")->getPath()));
}

TEST(URIText, RemoveDotSegments) {
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"/a/b/c/./../../g", "/a/g"},
        {"mid/content=5/../6", "mid/6"},
        {".", ""},
        {"./", ""},
        {"./a", "a"},
        {"a/.", "a/"},
        {"a/./././b", "a/b"},
        {"a/..", ""},
        {"a/b/..", "a/"},
        {"a/b/../", "a/"},
        {"../x", "../x"},
        {"../../a/../b", "../../b"},
        {"x/../../y", "../y"},
        {"/../x", "/../x"},
        {"a//../b", "a/b"},
        {"a/b/c/../../../../d", "../d"},
        {".hidden/..x/x..", ".hidden/..x/x.."},
        {"a/.../b", "a/.../b"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        uriText::removeDotSegments(path);
        EXPECT_EQ(c.expected, path) << "path: " << c.path;
    }
}

TEST(URIParse, PercentEncodedUTF8) {
    // Escaped non-ASCII characters are decoded in the raw form, escaped ASCII is not.
    auto u = uri("file:///a%C3%A9%41.flac");
    EXPECT_EQ("/a\xC3\xA9%41.flac", s(u->getRawPath()));
    EXPECT_EQ("/a\xC3\xA9"
              "A.flac",
              s(u->getPath()));
    EXPECT_EQ("file:/a%C3%A9%41.flac", s(u->toASCIIString()));
    EXPECT_EQ("file:/a\xC3\xA9%41.flac", s(u->toString()));
    EXPECT_EQ(utf8EncodingId, u->toUTF8String()->getEncodingId());
    EXPECT_EQ(s(u->toString()), s(u->toUTF8String()));

    // Lower-case hexadecimal digits and four-byte sequences.
    EXPECT_EQ("/\xC3\xA9", s(uri("file:///%c3%a9")->getRawPath()));
    EXPECT_EQ("/\xF0\x9F\x8E\xB5", s(uri("file:///%F0%9F%8E%B5")->getRawPath()));

    // A lead byte whose sequence is cut off or malformed stands for itself (Latin-1).
    EXPECT_EQ("\xC3\x83%41", s(uri("%C3%41")->getRawPath()));
    EXPECT_EQ("\xC3\x83"
              "A",
              s(uri("%C3%41")->getPath()));
    EXPECT_EQ("x\xC3\xBF", s(uri("x%FF")->getPath()));
    // Overlong forms are refused: they must not turn into a '.' or '/' behind the parser's back.
    auto overlong = uri("a/%C0%AE%C0%AE/b");
    EXPECT_EQ(std::string::npos, s(overlong->getPath()).find(".."));
    EXPECT_EQ(std::string::npos, s(uri("a%E0%80%AFb")->getPath()).find('/'));
    // Surrogates are no characters.
    EXPECT_EQ("\xC3\xAD\xC2\xA0\xC2\x80", s(uri("%ED%A0%80")->getPath()));

    // Broken escapes are text.
    EXPECT_EQ("a%2", s(uri("a%2")->getPath()));
    EXPECT_EQ("a%zz%", s(uri("a%zz%")->getPath()));
    EXPECT_EQ("100%", s(uri("100%")->getPath()));
}

TEST(URIParse, EscapedDelimitersStayInsideTheirComponent) {
    auto u = uri("net://h/a%2Fb%3Fc%23d?x%26y=1#f%23");
    EXPECT_EQ("/a%2Fb%3Fc%23d", s(u->getRawPath()));
    EXPECT_EQ("/a/b?c#d", s(u->getPath()));
    EXPECT_EQ("a%2Fb%3Fc%23d", s(u->getRawFileName()));
    EXPECT_EQ("x&y=1", s(u->getQuery()));
    EXPECT_EQ("f#", s(u->getFragment()));
    // A literal "%25" is decoded exactly once.
    EXPECT_EQ("/50%41", s(uri("net://h/50%2541")->getPath()));
}

TEST(URIParts, FileParts) {
    auto folder = uri("file:///a/b/");
    EXPECT_TRUE(folder->isFolder());
    EXPECT_EQ("b", s(folder->getName()));
    EXPECT_FALSE(folder->hasFileName());
    EXPECT_FALSE(folder->hasExtension());
    EXPECT_EQ("/a/", s(folder->getFolderPath()));

    auto twoDots = uri("x/archive.tar.gz");
    EXPECT_EQ(".gz", s(twoDots->getExtension()));
    EXPECT_EQ("archive.tar.gz", s(twoDots->getName()));

    auto noDot = uri("/dir.d/file");
    EXPECT_FALSE(noDot->hasExtension());
    EXPECT_EQ("/dir.d/", s(noDot->getFolderPath()));

    auto bare = uri("x.flac");
    EXPECT_EQ("x.flac", s(bare->getFileName()));
    EXPECT_FALSE(bare->hasFolderPath());

    auto relativeFolder = uri("a/");
    EXPECT_EQ("a", s(relativeFolder->getName()));
    EXPECT_FALSE(relativeFolder->hasFolderPath());

    auto root = uri("file:///");
    EXPECT_TRUE(root->isRoot());
    EXPECT_EQ("/", s(root->getFolderPath()));
    EXPECT_FALSE(root->hasName());
    EXPECT_TRUE(uri("file:///x.flac")->isInRoot());
    EXPECT_FALSE(uri("file:///a/x.flac")->isInRoot());
    EXPECT_FALSE(uri("file:///a/x.flac")->isRoot());
}

TEST(URIParts, ParentAndFolder) {
    auto folder = uri("file:///a/b/");
    P<IURI> copy = folder->getFolder();
    ASSERT_TRUE(copy);
    EXPECT_NE(static_cast<IURI*>(folder.get()), copy.get());
    EXPECT_TRUE(copy->equals(*folder));
    P<IURI> parent = folder->getParent();
    ASSERT_TRUE(parent);
    EXPECT_EQ("/a/", s(parent->getPath()));
    EXPECT_EQ("file:/a/", s(parent->toString()));

    auto file = uri("net://u@h:81/a%20b/c.flac?q#f");
    P<IURI> fileFolder = file->getFolder();
    ASSERT_TRUE(fileFolder);
    EXPECT_EQ("net://u@h:81/a%20b/?q#f", s(fileFolder->toString()));
    EXPECT_EQ(81, fileFolder->getPort());
    EXPECT_EQ("/a b/", s(fileFolder->getPath()));

    auto lone = uri("x.flac");
    EXPECT_FALSE(lone->getParent());
    EXPECT_FALSE(lone->getFolder());
}

TEST(URIBuild, FromComponents) {
    auto withHost = built("net", "p", "h");
    EXPECT_EQ("/p", s(withHost->getRawPath()));
    EXPECT_EQ("net://h/p", s(withHost->toString()));
    EXPECT_FALSE(withHost->isRelative());

    auto dots = built("", "a/./b/../c");
    EXPECT_EQ("a/c", s(dots->getRawPath()));
    EXPECT_TRUE(dots->isRelative());

    auto escaped = built("file", "/a b#c\xC3\xA9%");
    EXPECT_EQ("/a%20b%23c\xC3\xA9%25", s(escaped->getRawPath()));
    EXPECT_EQ("/a b#c\xC3\xA9%", s(escaped->getPath()));
    EXPECT_EQ("a b#c\xC3\xA9%", s(escaped->getFileName()));

    auto all = built("net", "/d/f.txt", "[::1]", "8080", "us er:pw", "a=1&b=c d#", "x y");
    EXPECT_EQ("us%20er:pw", s(all->getRawUserInfo()));
    EXPECT_EQ("us er:pw", s(all->getUserInfo()));
    EXPECT_EQ("us%20er:pw@[::1]:8080", s(all->getRawAuthority()));
    EXPECT_EQ(8080, all->getPort());
    EXPECT_EQ("a=1&b=c%20d%23", s(all->getRawQuery()));
    EXPECT_EQ("x%20y", s(all->getRawFragment()));
    EXPECT_EQ("//us%20er:pw@[::1]:8080/d/f.txt?a=1&b=c%20d%23#x%20y",
              s(all->getRawSchemeSpecificPart()));
    EXPECT_EQ("net://us%20er:pw@[::1]:8080/d/f.txt?a=1&b=c%20d%23#x%20y", s(all->toString()));
    // What is built reads back the same.
    auto reparsed = make<CURI>(all->toString());
    EXPECT_TRUE(reparsed->equals(*all));
    EXPECT_EQ("us er:pw", s(reparsed->getUserInfo()));
    EXPECT_EQ("[::1]", s(reparsed->getHost()));
    EXPECT_EQ("/d/f.txt", s(reparsed->getPath()));
    EXPECT_EQ("a=1&b=c d#", s(reparsed->getQuery()));

    auto portOnly = built("net", "", "", "81");
    EXPECT_EQ(":81", s(portOnly->getRawAuthority()));
    EXPECT_EQ(81, portOnly->getPort());
    EXPECT_EQ(-1, built("net", "/", "h", "x")->getPort());

    EXPECT_TRUE(built("", "")->isEmpty());
    EXPECT_TRUE(built("", "")->isRelative());
}

TEST(URIBuild, EscapeSets) {
    using uriText::EscapeSet;
    EXPECT_EQ("a%20b%23c", uriText::escape("a b#c", EscapeSet::path));
    EXPECT_EQ("\xC3\xA9", uriText::escape("\xC3\xA9", EscapeSet::path));
    const std::string unreserved = "azAZ09-_.!~*'()";
    for (EscapeSet set : {EscapeSet::userInfo, EscapeSet::path, EscapeSet::queryOrFragment})
        EXPECT_EQ(unreserved, uriText::escape(unreserved, set));
    EXPECT_EQ(";:,&=+$%2F%3F%40", uriText::escape(";:,&=+$/?@", EscapeSet::userInfo));
    EXPECT_EQ(";:,/@&=+$%3F", uriText::escape(";:,/@&=+$?", EscapeSet::path));
    EXPECT_EQ(";:,/?@&=+$%23", uriText::escape(";:,/?@&=+$#", EscapeSet::queryOrFragment));
    EXPECT_EQ("%25%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D%00%7F",
              uriText::escape(std::string("%\"<>[]\\^`{|}\0\x7F", 14), EscapeSet::path));
}

TEST(URIQuery, Parameters) {
    auto u = uri("net://h/p?a=1&b=x%2520y&ab=3&flag&e=");
    EXPECT_EQ("1", s(u->getQueryParameter("a")));
    // Decoded twice: once with the query, once as a value.
    EXPECT_EQ("x y", s(u->getQueryParameter("b")));
    EXPECT_EQ("3", s(u->getQueryParameter("ab")));
    EXPECT_EQ("", s(u->getQueryParameter("flag")));
    EXPECT_EQ("", s(u->getQueryParameter("e")));
    EXPECT_EQ("", s(u->getQueryParameter("x")));
    EXPECT_EQ("", s(u->getQueryParameter("p")));
    EXPECT_EQ("", s(uri("net://h/p")->getQueryParameter("a")));
    EXPECT_EQ("2", s(uri("?b=1&a=2")->getQueryParameter("a")));

    P<IValueList> all = uri("net://h/p?a=1&b=x%2520y&&flag&B=2&a=3&=v")->getQueryParameters();
    EXPECT_TRUE(all->isCaseSensitive());
    EXPECT_EQ(5, all->getCount());
    EXPECT_EQ("1", s(all->getString("a", nullptr)));
    EXPECT_EQ("x y", s(all->getString("b", nullptr)));
    EXPECT_EQ("2", s(all->getString("B", nullptr)));
    EXPECT_EQ("", s(all->getString("flag", nullptr)));
    EXPECT_EQ("v", s(all->getString("", nullptr)));
    EXPECT_EQ(0, uri("net://h/p")->getQueryParameters()->getCount());
}

TEST(URICompare, SchemeExtensionAndEquality) {
    auto u = uri("FILE:///Music/A.FLAC");
    EXPECT_TRUE(u->isScheme("file"));
    EXPECT_TRUE(u->isScheme("File"));
    EXPECT_FALSE(u->isScheme("fil"));
    EXPECT_TRUE(u->isExtension(".flac"));
    EXPECT_FALSE(u->isExtension("flac"));
    EXPECT_FALSE(u->isExtension(""));
    EXPECT_FALSE(uri("x")->isScheme(""));
    EXPECT_TRUE(uri("x")->isExtension(""));
    EXPECT_FALSE(uri("x")->isExtension(".x"));

    EXPECT_FALSE(u->equals(*uri("file:///Music/A.FLAC")));
    EXPECT_TRUE(uri("file:///a")->equals(*uri("file:/a")));
    EXPECT_FALSE(u->equalsURI(nullptr));
    EXPECT_TRUE(u->equalsURI(u->clone()));
}

TEST(URIState, EmptyURIsAndCopies) {
    auto empty = make<CURI>();
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_EQ(-1, empty->getPort());
    EXPECT_FALSE(empty->isRelative());
    EXPECT_FALSE(empty->isHierarchical());
    EXPECT_EQ("", s(empty->toString()));
    EXPECT_TRUE(uri("")->isEmpty());
    EXPECT_TRUE(uri("  ")->isEmpty());
    EXPECT_FALSE(uri("#f")->isEmpty());
    EXPECT_FALSE(uri("net://h")->isEmpty());

    auto original = uri("net://u@h:1/a/b.c?q=%41#f");
    const IURI& asInterface = *original;
    auto copy = make<CURI>(asInterface);
    EXPECT_TRUE(copy->equals(*original));
    EXPECT_EQ("q=A", s(copy->getQuery()));
    EXPECT_EQ(1, copy->getPort());
    EXPECT_EQ(".c", s(copy->getExtension()));
    // A copy is independent of its original.
    copy->resolve(*uri("x:/"));
    original->makeRelative(*uri("net:/a/"));
    EXPECT_EQ("net://u@h:1/a/b.c?q=%41#f", s(copy->toString()));
}
