#include "CHostLog.h"

#include "console.h"

#include "tamu/CException.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

#include <string_view>

namespace orxa::host {

namespace {

thread_local std::string threadFailure;

std::string text(const tamu::P<tamu::IString>& value) {
    return value ? tamu::stringConv::toStdString(*value) : std::string();
}

} // namespace

CHostLog::CHostLog(bool verbose) : m_verbose(verbose) {}

int32_t CHostLog::getLevel() {
    // Host levels run from 0 (most severe) up; a quiet tool wants only the severe ones.
    return m_verbose ? common::hostLevelAll : common::hostLevelSevere;
}

bool CHostLog::isFailureLine(const std::string& line) {
    // The source logs a read failure before libFLAC is told to abort; the decoder's error that
    // follows would not name the stream's reason.
    static constexpr std::string_view markers[] = {"CFLACSource: trying to read ("};
    for (std::string_view marker : markers)
        if (line.compare(0, marker.size(), marker) == 0)
            return true;
    return false;
}

void CHostLog::log(int32_t level, const tamu::P<tamu::IString>& message) {
    std::string line = text(message);
    if (threadFailure.empty() && isFailureLine(line))
        threadFailure = line;
    if (m_verbose)
        console::message("[" + std::to_string(level) + "] " + line);
}

void CHostLog::logEntry(const tamu::P<tamu::IString>& channel, const tamu::CException& exception) {
    if (!m_verbose)
        return;
    std::string name = text(channel);
    console::message("[entry] " + (name.empty() ? std::string() : name + ": ") + exception.what());
}

std::string CHostLog::takeThreadFailure() {
    std::string failure;
    failure.swap(threadFailure);
    return failure;
}

} // namespace orxa::host
