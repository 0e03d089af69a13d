#pragma once

#include "tamu/CObject.h"
#include "tamu/ILog.h"

namespace orxa::common {

class IHostLog;

// Carries the foundation's log entries to the host's log. Host levels run the other way round:
// foundation level 3 (most severe) is host level 0. Only the entries reach the host; the
// foundation's minimum level and its raw writes stay on this side.
class CTamuToOrxaLog : public tamu::CObject, public virtual tamu::ILog {
public:
    explicit CTamuToOrxaLog(IHostLog* hostLog);
    CTamuToOrxaLog(const CTamuToOrxaLog&) = delete;
    CTamuToOrxaLog& operator=(const CTamuToOrxaLog&) = delete;
    ~CTamuToOrxaLog() override;

    void write(const tamu::P<tamu::IString>& channel, const tamu::P<tamu::IString>& text) override;
    void setLevel(int32_t level) override;
    // The host's level, read back on the foundation's scale.
    int32_t getLevel() override;
    void log(int32_t level, const tamu::P<tamu::IString>& channel,
             const tamu::P<tamu::IString>& message, int32_t a, int32_t b) override;
    void logAtLevel0(const tamu::P<tamu::IString>& channel,
                     const tamu::P<tamu::IString>& message) override;
    void logAtLevel1(const tamu::P<tamu::IString>& channel,
                     const tamu::P<tamu::IString>& message) override;
    void logAtLevel2(const tamu::P<tamu::IString>& channel,
                     const tamu::P<tamu::IString>& message) override;
    void logAtLevel3(const tamu::P<tamu::IString>& channel,
                     const tamu::P<tamu::IString>& message) override;
    void logException(const tamu::P<tamu::IString>& channel,
                      const tamu::CException& exception) override;

    // Kept so the table of virtual operations lines up with the other modules' bridges.
    virtual void reserved1(int32_t, int32_t, int32_t, int32_t, int32_t) {}
    virtual void reserved2(int32_t, int32_t, int32_t, int32_t, int32_t) {}
    virtual void reserved3(int32_t, int32_t) {}
    virtual void reserved4(int32_t, int32_t) {}
    virtual void reserved5(int32_t, int32_t, int32_t) {}
    // Whether this bridge leads to that very host log object.
    virtual bool isFor(const IHostLog* hostLog) const;

    static int32_t toHostLevel(int32_t level);
    static int32_t toFoundationLevel(int32_t hostLevel);

private:
    tamu::P<IHostLog> m_hostLog;
};

} // namespace orxa::common
