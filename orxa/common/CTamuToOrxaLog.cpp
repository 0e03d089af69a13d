#include "orxa/common/CTamuToOrxaLog.h"

#include "orxa/common/IHostLog.h"
#include "tamu/IString.h"

namespace orxa::common {

CTamuToOrxaLog::CTamuToOrxaLog(IHostLog* hostLog) : m_hostLog(hostLog) {}

CTamuToOrxaLog::~CTamuToOrxaLog() = default;

int32_t CTamuToOrxaLog::toHostLevel(int32_t level) {
    // Anything off the scale is treated as the most severe, so it is never filtered away.
    return level >= 0 && level <= 3 ? 3 - level : 0;
}

int32_t CTamuToOrxaLog::toFoundationLevel(int32_t hostLevel) {
    return hostLevel >= 0 && hostLevel <= 3 ? 3 - hostLevel : 3;
}

void CTamuToOrxaLog::write(const tamu::P<tamu::IString>&, const tamu::P<tamu::IString>&) {}

void CTamuToOrxaLog::setLevel(int32_t) {}

int32_t CTamuToOrxaLog::getLevel() {
    return toFoundationLevel(m_hostLog->getLevel());
}

void CTamuToOrxaLog::log(int32_t level, const tamu::P<tamu::IString>&,
                         const tamu::P<tamu::IString>& message, int32_t, int32_t) {
    m_hostLog->log(toHostLevel(level), message);
}

void CTamuToOrxaLog::logAtLevel0(const tamu::P<tamu::IString>& channel,
                                 const tamu::P<tamu::IString>& message) {
    log(0, channel, message, -1, -1);
}

void CTamuToOrxaLog::logAtLevel1(const tamu::P<tamu::IString>& channel,
                                 const tamu::P<tamu::IString>& message) {
    log(1, channel, message, -1, -1);
}

void CTamuToOrxaLog::logAtLevel2(const tamu::P<tamu::IString>& channel,
                                 const tamu::P<tamu::IString>& message) {
    log(2, channel, message, -1, -1);
}

void CTamuToOrxaLog::logAtLevel3(const tamu::P<tamu::IString>& channel,
                                 const tamu::P<tamu::IString>& message) {
    log(3, channel, message, -1, -1);
}

void CTamuToOrxaLog::logException(const tamu::P<tamu::IString>&,
                                  const tamu::CException& exception) {
    // The host has no channels of ours; it gets the entry without one.
    m_hostLog->logEntry(nullptr, exception);
}

bool CTamuToOrxaLog::isFor(const IHostLog* hostLog) const {
    return m_hostLog.get() == hostLog;
}

} // namespace orxa::common
