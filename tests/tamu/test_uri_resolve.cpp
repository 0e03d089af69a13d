#include "tamu/CURI.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <gtest/gtest.h>

#include <string>

using namespace tamu;

namespace {

std::string s(const P<IString>& text) {
    return text ? stringConv::toStdString(*text) : std::string("<null>");
}

std::string resolved(const char* base, const char* reference) {
    auto uri = make<CURI>(reference);
    uri->resolve(*make<CURI>(base));
    return s(uri->toString());
}

std::string relativised(const char* uri, const char* base) {
    auto u = make<CURI>(uri);
    u->makeRelative(*make<CURI>(base));
    return s(u->toString());
}

} // namespace

// The normal examples of RFC 3986 section 5.4.1. They all hold here except "?y": this URI
// follows RFC 2396 there, where a reference with an empty path takes the base's folder and
// drops its last segment ("http://a/b/c/?y"); RFC 3986 keeps the base path
// ("http://a/b/c/d;p?y").
TEST(URIResolve, RFC3986NormalExamples) {
    const char* base = "http://a/b/c/d;p?q";
    struct Case {
        const char* reference;
        const char* expected;
    };
    const Case cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/?y"}, // RFC 3986: "http://a/b/c/d;p?y"
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, resolved(base, c.reference)) << "reference: " << c.reference;
}

TEST(URIResolve, FileReferences) {
    auto file = make<CURI>("c.flac");
    file->resolve(*make<CURI>("file:///a/b/x.flac"));
    EXPECT_FALSE(file->isRelative());
    EXPECT_EQ("file", s(file->getScheme()));
    EXPECT_EQ("/a/b/c.flac", s(file->getPath()));
    EXPECT_EQ("c.flac", s(file->getFileName()));
    EXPECT_EQ("/a/b/", s(file->getFolderPath()));
    EXPECT_EQ("file:/a/b/c.flac", s(file->toString()));

    EXPECT_EQ("net://h/a/c.flac", resolved("net://h/a/x", "c.flac"));
    EXPECT_EQ("file:/d", resolved("file:///a/b/x.flac", "/d"));
    EXPECT_EQ("net://u@h:2/d", resolved("net://u@h:2/a/x", "/d"));

    auto withAuthority = make<CURI>("/d?k=v");
    withAuthority->resolve(*make<CURI>("net://u@h:2/a/x"));
    EXPECT_EQ("u", s(withAuthority->getUserInfo()));
    EXPECT_EQ("h", s(withAuthority->getHost()));
    EXPECT_EQ(2, withAuthority->getPort());
    EXPECT_EQ("//u@h:2/d?k=v", s(withAuthority->getRawSchemeSpecificPart()));
    EXPECT_EQ("v", s(withAuthority->getQueryParameter("k")));

    // Escapes and non-ASCII characters survive the merge.
    auto escaped = make<CURI>("x%20y/%C3%A9.flac");
    escaped->resolve(*make<CURI>("file:///M%C3%BCsik/a%20b/"));
    EXPECT_EQ("/M\xC3\xBCsik/a b/x y/\xC3\xA9.flac", s(escaped->getPath()));
    EXPECT_EQ("file:/M%C3%BCsik/a%20b/x%20y/%C3%A9.flac", s(escaped->toASCIIString()));
}

TEST(URIResolve, FragmentOnlyTakesTheBaseWhole) {
    auto fragment = make<CURI>("#f");
    fragment->resolve(*make<CURI>("net://h/a/x.flac?q=1#old"));
    EXPECT_EQ("net://h/a/x.flac?q=1#f", s(fragment->toString()));
    EXPECT_EQ("f", s(fragment->getFragment()));
    EXPECT_EQ("h", s(fragment->getHost()));
    EXPECT_EQ("x.flac", s(fragment->getFileName()));
    EXPECT_EQ("//h/a/x.flac?q=1#f", s(fragment->getRawSchemeSpecificPart()));
    EXPECT_FALSE(fragment->isRelative());

    // An empty reference drops the base's fragment.
    EXPECT_EQ("net://h/a?q", resolved("net://h/a?q#old", ""));
}

TEST(URIResolve, EdgeCases) {
    // An absolute URI is not touched.
    EXPECT_EQ("x:/a/../b", resolved("net://h/a/", "x:/a/../b"));
    // A base with an authority and no path: the merged path must not run into the host.
    EXPECT_EQ("net://h/g", resolved("net://h", "g"));
    EXPECT_EQ("net://h/g", resolved("net://h?q", "./g"));
    // A relative base gives a relative result.
    auto relative = make<CURI>("g");
    relative->resolve(*make<CURI>("a/b"));
    EXPECT_TRUE(relative->isRelative());
    EXPECT_EQ("a/g", s(relative->toString()));
    // More ".." than segments: the leading ones stay.
    EXPECT_EQ("file:/../../g", resolved("file:///a/b", "../../../g"));
    // Dots in the reference are removed from the raw path too.
    auto dots = make<CURI>("./x/../y.flac");
    dots->resolve(*make<CURI>("file:///m/"));
    EXPECT_EQ("/m/y.flac", s(dots->getRawPath()));

    // The (base, reference) constructor.
    auto combined = make<CURI>(*make<CURI>("net://h/a/b"), *make<CURI>("../c?x#y"));
    EXPECT_EQ("net://h/c?x#y", s(combined->toString()));
}

TEST(URIMakeRelative, AgainstFolders) {
    EXPECT_EQ("b/c.flac", relativised("file:///a/b/c.flac", "file:///a/"));
    EXPECT_EQ("../x/c.flac", relativised("file:///a/x/c.flac", "file:///a/b/"));
    EXPECT_EQ("../../c.flac", relativised("file:///a/c.flac", "file:///a/b/d/"));
    EXPECT_EQ("b/", relativised("file:///a/b/", "file:///a/"));
    EXPECT_EQ("a/b.flac", relativised("file:///a/b.flac", "file:///"));
    EXPECT_EQ("", relativised("file:///a/", "file:///a/"));
    // Query and fragment stay.
    EXPECT_EQ("b.flac?q=1#f", relativised("net://h/a/b.flac?q=1#f", "net://h/a/"));

    auto u = make<CURI>("net://u@h:8/a/b/c%20d.flac");
    u->makeRelative(*make<CURI>("net://u@h:8/a/"));
    EXPECT_TRUE(u->isRelative());
    EXPECT_FALSE(u->hasScheme());
    EXPECT_FALSE(u->hasAuthority());
    EXPECT_FALSE(u->hasHost());
    EXPECT_FALSE(u->hasUserInfo());
    EXPECT_EQ(-1, u->getPort());
    EXPECT_EQ("b/c d.flac", s(u->getPath()));
    EXPECT_EQ("c d.flac", s(u->getFileName()));
    EXPECT_EQ("b/", s(u->getFolderPath()));
    EXPECT_EQ("b/c%20d.flac", s(u->getRawSchemeSpecificPart()));
}

TEST(URIMakeRelative, TextStaysARelativePath) {
    // Without "./" the first would read back with the scheme "a", the second as a host.
    for (const char* text : {"file:///x/a:b/c", "file:///x//b"}) {
        auto u = make<CURI>(text);
        std::string before = s(u->toString());
        u->makeRelative(*make<CURI>("file:///x/"));
        auto reparsed = make<CURI>(u->toString());
        EXPECT_TRUE(reparsed->isRelative()) << s(u->toString());
        EXPECT_FALSE(reparsed->hasAuthority()) << s(u->toString());
        reparsed->resolve(*make<CURI>("file:///x/"));
        EXPECT_EQ(before, s(reparsed->toString()));
    }
    EXPECT_EQ("./a:b/c", relativised("file:///x/a:b/c", "file:///x/"));
}

TEST(URIMakeRelative, NothingChanges) {
    // Different schemes (compared exactly), a relative URI, no common segment.
    EXPECT_EQ("file:/a/b", relativised("file:///a/b", "net:///a/"));
    EXPECT_EQ("file:/a/b", relativised("file:///a/b", "FILE:///a/"));
    EXPECT_EQ("a/b", relativised("a/b", "a/"));
    EXPECT_EQ("file:/x/b", relativised("file:///x/b", "file:///a/"));
}

TEST(URIMakeRelative, ResolvingUndoesIt) {
    const char* base = "file:///music/albums/";
    for (const char* text : {"file:///music/albums/a/b.flac", "file:///music/albums/x.flac",
                             "file:///music/single.flac", "file:///music/other/y/z.flac",
                             "file:///music/albums/sub/"}) {
        auto u = make<CURI>(text);
        std::string before = s(u->toString());
        u->makeRelative(*make<CURI>(base));
        EXPECT_TRUE(u->isRelative()) << text;
        u->resolve(*make<CURI>(base));
        EXPECT_EQ(before, s(u->toString())) << text;
    }
}
