#pragma once

#include "tamu/CObject.h"
#include "tamu/ILogManager.h"

// A listener that drops everything; tests derive from it and keep what they look at.
class CQuietLog : public tamu::CObject, public virtual tamu::ILog {
public:
    using IString = tamu::IString;
    template <class T>
    using P = tamu::P<T>;

    void write(const P<IString>&, const P<IString>&) override {}
    void log(int32_t, const P<IString>&, const P<IString>&, int32_t, int32_t) override {}
    void setLevel(int32_t) override {}
    int32_t getLevel() override { return 0; }
    void logAtLevel0(const P<IString>&, const P<IString>&) override {}
    void logAtLevel1(const P<IString>&, const P<IString>&) override {}
    void logAtLevel2(const P<IString>&, const P<IString>&) override {}
    void logAtLevel3(const P<IString>&, const P<IString>&) override {}
    void logException(const P<IString>&, const tamu::CException&) override {}
};
