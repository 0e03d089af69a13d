#include "CHostLog.h"

#include "console.h"

#include "tamu/CException.h"
#include "tamu/IString.h"
#include "tamu/stringConv.h"

namespace orxa::host {

namespace {

std::string text(const tamu::P<tamu::IString>& value) {
    return value ? tamu::stringConv::toStdString(*value) : std::string();
}

} // namespace

CHostLog::CHostLog(bool verbose) : m_verbose(verbose) {}

int32_t CHostLog::getLevel() {
    // Host levels run from 0 (most severe) up; a quiet tool wants only the severe ones.
    return m_verbose ? common::hostLevelAll : common::hostLevelSevere;
}

void CHostLog::log(int32_t level, const tamu::P<tamu::IString>& message) {
    if (m_verbose)
        console::message("[" + std::to_string(level) + "] " + text(message));
}

void CHostLog::logEntry(const tamu::P<tamu::IString>& channel, const tamu::CException& exception) {
    if (!m_verbose)
        return;
    std::string name = text(channel);
    console::message("[entry] " + (name.empty() ? std::string() : name + ": ") + exception.what());
}

} // namespace orxa::host
