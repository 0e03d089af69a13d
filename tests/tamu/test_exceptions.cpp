#include "tamu/CError.h"
#include "tamu/CObjectError.h"
#include "tamu/CURI.h"
#include "tamu/CURIError.h"
#include "tamu/interfaceCast.h"
#include "tamu/str.h"
#include "tamu/stringConv.h"
#include "tamu/stringParse.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace tamu;

namespace exception_tests {

class IUnoffered : public virtual IBase {
public:
    virtual void nothing() = 0;
};

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

const CWidget widget;
// Made on first use: parsing at static initialisation would start the library's services
// before the tests that watch their start and end.
const P<IURI>& uri() {
    static const P<IURI> fixed = make<CURI>("file:/music/a%20b.flac");
    return fixed;
}
const std::string widgetDesc = "object: exception_tests::CWidget object";

} // namespace

TEST(Exceptions, EveryClassComposesItsNameAndMessage) {
    const Case cases[] = {
        {[] { throw CError(str(""), nullptr); }, "Error", "Unspecified error"},
        {[] { throw CError(str("went wrong"), str("Oops")); }, "Oops", "went wrong"},
        {[] { throw COutOfmemoryException(); }, "OutOfMemory", "Unspecified error"},
        {[] { throw CObjectError(&widget, nullptr, str("[%OBJECTDESC%] broke")); }, "Object error",
         "[object: exception_tests::CWidget object] broke"},
        {[] { throw CObjectError(nullptr, &typeid(CWidget), nullptr); }, "Object error",
         "object class: exception_tests::CWidget"},
        {[] { throw CObjectError(nullptr, nullptr, nullptr); }, "Object error", "unknown object"},
        {[] { throw CObjectError(&widget, nullptr, str("kept as it is")); }, "Object error",
         "kept as it is"},
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
        {[] { throw CURIError(str("as it is"), nullptr, uri()); }, "Error", "as it is"},
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
        {[] { throw CNoSuchObjectError(str("no channel 'x'")); }, "Error", "no channel 'x'"},
        {[] { throw CParseError(str("")); }, "Parse error", "Unspecified error"},
        {[] { throw CJsonParserError(str("unexpected '}'")); }, "JSONParser Error",
         "unexpected '}'"},
        {[] { throw CReadOnlyError(str("settings")); }, "Error",
         "The object settings is read-only and cannot be changed."},
    };
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

TEST(Exceptions, ObjectErrorsKeepTheDescriptionAndUriErrorsTheUri) {
    CObjectError plain(&widget, nullptr, str("no placeholder"));
    EXPECT_EQ(text(plain.getObjectDesc()), widgetDesc);
    EXPECT_EQ(text(CInvalidArgError(nullptr, nullptr, nullptr).getObjectDesc()), "unknown object");

    EXPECT_EQ(CFileNotFoundError(uri()).getURI(), uri());
    EXPECT_TRUE(CEndOfStreamError().getURI().isNull());
}

TEST(Exceptions, CheckedCastThrowsCastError) {
    P<CWidget> w = make<CWidget>();
    try {
        interfaceCast<IUnoffered>(static_cast<IBase*>(w.get()));
        ADD_FAILURE() << "no cast error";
    } catch (const CCastError& e) {
        EXPECT_EQ(text(e.getMessage()), "Error casting a 'exception_tests::CWidget' object to "
                                        "'exception_tests::IUnoffered'.");
        EXPECT_EQ(text(e.getObjectDesc()), widgetDesc);
    }
    EXPECT_EQ(interfaceCast<IUnoffered>(static_cast<IBase*>(nullptr)), nullptr);
    EXPECT_THROW(interfaceCast<IUnoffered>(P<CWidget>(w)), CCastError);
}

TEST(Exceptions, CloneIsAPlainExceptionSharingTheTexts) {
    CCastError original(&widget, typeid(IUnoffered));
    P<CException> copy = original.clone();
    EXPECT_EQ(typeid(*copy), typeid(CException));
    EXPECT_EQ(copy->getName(), original.getName());
    EXPECT_EQ(copy->getMessage(), original.getMessage());
    EXPECT_EQ(copy->getRefCount(), 1);

    CException blank;
    EXPECT_EQ(blank.getName(), emptyString());
    EXPECT_EQ(blank.getMessage(), emptyString());
    EXPECT_STREQ(blank.clone()->what(), "");

    P<CException> fileCopy = CFileNotFoundError(uri()).clone();
    EXPECT_EQ(dynamic_cast<CURIError*>(fileCopy.get()), nullptr);
    EXPECT_EQ(text(fileCopy->getName()), "FileNotFoundError");
}

TEST(Exceptions, NumberParsingThrowsParseError) {
    try {
        parseInt32("12abc");
        ADD_FAILURE() << "no parse error";
    } catch (const CParseError& e) {
        EXPECT_EQ(text(e.getName()), "Parse error");
        EXPECT_EQ(text(e.getMessage()), "Error parsing integer.");
    }
    EXPECT_THROW(parseDouble("1.5x"), CParseError);
}
