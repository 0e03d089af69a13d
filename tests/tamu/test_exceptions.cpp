#include "tamu/CError.h"
#include "tamu/CObjectError.h"
#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/interfaceCast.h"
#include "tamu/platformErrors.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"
#include "tamu/stringParse.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace tamu;

namespace exception_tests {

class IUnoffered : public virtual IBase {};

class CWidget : public CObject {};

} // namespace exception_tests

using namespace exception_tests;

namespace {

std::string text(const P<IString>& s) {
    return stringConv::toStdString(*s);
}

struct Case {
    std::function<void()> raise;
    const char* name;
    const char* message;
};

// Each case throws a CException with its name and message, what() giving the message.
template <size_t N>
void expectTexts(const Case (&cases)[N]) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            c.raise();
            ADD_FAILURE() << "nothing thrown";
        } catch (const CException& e) {
            EXPECT_EQ(text(e.getName()), c.name);
            EXPECT_EQ(text(e.getMessage()), c.message);
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

const CWidget widget;
// Made on first use: parsing at static initialisation would start the library's services
// before the tests that watch their start and end.
const P<IURI>& uri() {
    static const P<IURI> fixed = make<CURI>("file:/music/a%20b.flac");
    return fixed;
}

} // namespace

TEST(Exceptions, EveryClassComposesItsNameAndMessage) {
    const Case cases[] = {
        {[] { throw CError(str(""), nullptr); }, "Error", "Unspecified error"},
        {[] { throw COutOfmemoryException(); }, "OutOfMemory", "Unspecified error"},
        {[] { throw CObjectError(&widget, nullptr, str("[%OBJECTDESC%] broke")); }, "Object error",
         "[object: exception_tests::CWidget object] broke"},
        {[] { throw CObjectError(nullptr, &typeid(CWidget), nullptr); }, "Object error",
         "object class: exception_tests::CWidget"},
        {[] { throw CObjectError(nullptr, nullptr, nullptr); }, "Object error", "unknown object"},
        {[] { throw CCastError(&widget, typeid(IUnoffered)); }, "Cast error",
         "Error casting a 'exception_tests::CWidget' object to 'exception_tests::IUnoffered'."},
        {[] { throw CInvalidArgError(&widget, str("CWidget::resize"), str("negative size")); },
         "Object error",
         "An invalid argument was passed to method 'CWidget::resize' of 'object: "
         "exception_tests::CWidget object': negative size"},
        {[] { throw CInvalidArgError(nullptr, str(""), nullptr); }, "Object error",
         "An invalid argument was passed to method 'unspecified method' of 'unknown object': "
         "unspecified argument"},
        {[] { throw CMethodNotImplementedError(&widget, str("CWidget::fold")); }, "Object error",
         "Method not implemented (object: exception_tests::CWidget object): CWidget::fold"},
        {[] { throw CMethodNotImplementedError(nullptr, nullptr); }, "Object error",
         "Method not implemented (unknown object): unspecified method."},
        {[] { throw CInvalidObjectStateError(&widget, str("closed")); }, "Object error",
         "The object is in an invalid state (object: exception_tests::CWidget object): closed."},
        {[] { throw CEndOfEnumError(nullptr); }, "Object error",
         "The object is in an invalid state (unknown object): end of enumeration already "
         "reached."},
        {[] { throw CURIError(str("cannot read %URI% now"), str("ReadError"), uri()); },
         "ReadError", "cannot read file:/music/a%20b.flac now"},
        {[] { throw CURIError(str("cannot read %URI%"), nullptr, nullptr); }, "Error",
         "cannot read <uri unknown>"},
        {[] { throw CFileError(str("%URI% is damaged"), uri()); }, "FileError",
         "file:/music/a%20b.flac is damaged"},
        {[] { throw CFileNotFoundError(uri()); }, "FileNotFoundError",
         "The file 'file:/music/a%20b.flac' was not found."},
        {[] { throw CFileNotFoundError(); }, "FileNotFoundError", "The file could not be found."},
        {[] { throw CFileAccessDeniedError(uri()); }, "FileAccessDeniedError",
         "Access to the file 'file:/music/a%20b.flac' was denied."},
        {[] { throw CStreamError(str("lost %URI%"), uri()); }, "Error",
         "lost file:/music/a%20b.flac"},
        {[] { throw CEndOfStreamError(); }, "Error", "Unexpected end of data stream."},
        {[] { throw CEndOfStreamError(uri()); }, "Error",
         "Unexpected end of data stream (uri: 'file:/music/a%20b.flac')."},
        {[] { throw CStreamClosedError(uri()); }, "Error", "The stream has been closed."},
        {[] { throw CURIFormatError(); }, "Error", "The URI has an invalid format."},
        {[] { throw CURIFormatError(uri()); }, "Error",
         "The URI ('file:/music/a%20b.flac') has an invalid format."},
        {[] { throw CURITypeNotSupportedError(); }, "Error", "This type URI is not supported."},
        {[] { throw CURITypeNotSupportedError(uri()); }, "Error",
         "This type of URI ('file:/music/a%20b.flac') is not supported."},
        {[] { throw CInvalidVolumeIDError(str("vol-7")); }, "Invalid Volume ID Error",
         "Invalid volume id: vol-7"},
        {[] { throw CNoSuchObjectError(nullptr); }, "Error", "No such object."},
        {[] { throw CParseError(str("")); }, "Parse error", "Unspecified error"},
        {[] { throw CJsonParserError(str("unexpected '}'")); }, "JSONParser Error",
         "unexpected '}'"},
        {[] { throw CReadOnlyError(str("settings")); }, "Error",
         "The object settings is read-only and cannot be changed."},
    };
    expectTexts(cases);
}

TEST(Exceptions, CastsAndNumberParsingThrowTheirErrors) {
    P<CWidget> w = make<CWidget>();
    EXPECT_THROW(interfaceCast<IUnoffered>(static_cast<IBase*>(w.get())), CCastError);
    EXPECT_THROW(interfaceCast<IUnoffered>(P<CWidget>(w)), CCastError);
    EXPECT_THROW(parseInt32("12abc"), CParseError);
    EXPECT_THROW(parseDouble("1.5x"), CParseError);
    EXPECT_EQ(CFileNotFoundError(uri()).getURI(), uri());
}

TEST(Exceptions, CloneIsAPlainExceptionSharingTheTexts) {
    P<CException> copy = CFileNotFoundError(uri()).clone();
    EXPECT_EQ(typeid(*copy), typeid(CException));
    EXPECT_EQ(text(copy->getName()), "FileNotFoundError");
    EXPECT_EQ(text(copy->getMessage()), "The file 'file:/music/a%20b.flac' was not found.");
    EXPECT_STREQ(CException().clone()->what(), "");
}

namespace exception_tests {

// A subclass that composes its texts after construction and ends up with nothing to say.
class CRecomposed : public CError {
public:
    CRecomposed() : CError(str("first"), str("First")) {
        setName(str(""));
        setMessage(emptyString());
    }
};

} // namespace exception_tests

TEST(Exceptions, EmptyTextsNeverReachAHandler) {
    const Case cases[] = {
        {[] { throw CError(emptyString(), str("")); }, "Error", "Unspecified error"},
        {[] { throw CObjectError(&widget, nullptr, str("")); }, "Object error",
         "object: exception_tests::CWidget object"},
        {[] { throw CURIError(str(""), str(""), uri()); }, "Error", "Unspecified error"},
        // The placeholder stands for the whole message and the URI has no text.
        {[] { throw CURIError(str("%URI%"), nullptr, make<CURI>()); }, "Error",
         "Unspecified error"},
        {[] { throw CFileError(str(""), uri()); }, "FileError", "Unspecified error"},
        {[] { throw CStreamError(emptyString(), nullptr); }, "Error", "Unspecified error"},
        {[] { throw CNoSuchObjectError(str("")); }, "Error", "No such object."},
        {[] { throw CJsonParserError(emptyString()); }, "JSONParser Error", "Unspecified error"},
        {[] { throw CRecomposed(); }, "Error", "Unspecified error"},
        {[] { throwException(""); }, "Error", "Unspecified error"},
    };
    expectTexts(cases);
}
