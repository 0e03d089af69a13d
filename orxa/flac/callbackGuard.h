#pragma once

#include "tamu/CException.h"
#include "tamu/P.h"

#include <exception>

namespace tamu {
class IString;
}

namespace orxa::flac {

// What a libFLAC callback's body threw, for its log line: the foundation's message, the text of
// any other standard exception, or neither for anything else.
struct CallbackFailure {
    tamu::P<tamu::IString> message;
    const char* what = nullptr;
};

// Runs the body of a libFLAC callback. Nothing may unwind through libFLAC's C frames, so what the
// body throws is handed to `report` and `failed` is returned; a `report` that throws in its turn
// (a log line that cannot be made) is swallowed, libFLAC still learns of the error.
template <class Status, class Body, class Report>
Status guardCallback(Status failed, Body&& body, Report&& report) noexcept {
    try {
        try {
            return body();
        } catch (const tamu::CException& e) {
            report(CallbackFailure{e.getMessage(), nullptr});
        } catch (const std::exception& e) {
            report(CallbackFailure{nullptr, e.what()});
        } catch (...) {
            report(CallbackFailure{});
        }
    } catch (...) {
    }
    return failed;
}

// The same for a callback whose failure needs no line: the status alone tells libFLAC.
template <class Status, class Body>
Status guardCallback(Status failed, Body&& body) noexcept {
    return guardCallback(failed, body, [](const CallbackFailure&) {});
}

} // namespace orxa::flac
