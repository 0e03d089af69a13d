// Feeds arbitrary text to the URI parser: parse, print, parse the print again, and exercise
// every operation that derives something from the parts. Printing must settle after one round:
// the text of a reparsed URI reads back as the same text.
#include "tamu/CURI.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tamu;

namespace {

std::string text(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s\n  first:  '%s'\n  second: '%s'\n", what, a.c_str(), b.c_str());
    std::abort();
}

void exercise(const IURI& uri) {
    uri.isEmpty();
    uri.isFolder();
    uri.isRoot();
    uri.isInRoot();
    uri.isScheme("file");
    uri.isExtension(".flac");
    uri.getSchemeSpecificPart();
    uri.getQueryParameter("a");
    uri.toASCIIString();
    if (P<IURI> parent = uri.getParent())
        parent->toString();
    if (P<IURI> folder = uri.getFolder())
        folder->toString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    P<IString> input =
        stringConv::fromUTF8(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    auto first = make<CURI>(input);
    exercise(*first);
    std::string printed = text(first->toString());

    auto second = make<CURI>(first->toString());
    exercise(*second);
    std::string reprinted = text(second->toString());
    auto third = make<CURI>(second->toString());
    if (text(third->toString()) != reprinted)
        fail("printing does not settle", reprinted, text(third->toString()));
    if (!third->equals(*second))
        fail("equals disagrees with the texts", reprinted, text(third->toString()));

    static const P<CURI> base = make<CURI>("http://a/b/c/d;p?q");
    auto resolved = make<CURI>(*base, *first);
    if (resolved->isRelative())
        fail("resolving against an absolute base left a relative URI", printed,
             text(resolved->toString()));
    exercise(*resolved);

    static const P<CURI> folder = make<CURI>("http://a/b/");
    auto relative = first->clone();
    relative->makeRelative(*folder);
    exercise(*relative);
    relative->resolve(*first);
    return 0;
}
