#pragma once

#include "tamu/CObject.h"

#include <cstdint>

namespace tamu {

// Numbers and flags as objects, for containers that hold objects (value lists, arrays).
class TAMU_API IInt : public virtual IBase {
public:
    virtual void set(int32_t value) = 0;
    virtual int32_t get() const = 0;
};

class TAMU_API IInt64 : public virtual IBase {
public:
    virtual void set(int64_t value) = 0;
    virtual int64_t get() const = 0;
};

class TAMU_API IFloat : public virtual IBase {
public:
    virtual void set(float value) = 0;
    virtual float get() const = 0;
};

class TAMU_API IDouble : public virtual IBase {
public:
    virtual void set(double value) = 0;
    virtual double get() const = 0;
};

class TAMU_API IBool : public virtual IBase {
public:
    virtual void set(bool value) = 0;
    virtual bool get() const = 0;
};

template <class Interface, class T>
class TBox : public CObject, public virtual Interface {
public:
    explicit TBox(T value = T()) : m_value(value) {}
    void set(T value) override { m_value = value; }
    T get() const override { return m_value; }

private:
    T m_value;
};

class CInt final : public TBox<IInt, int32_t> {
public:
    using TBox::TBox;
};

class CInt64 final : public TBox<IInt64, int64_t> {
public:
    using TBox::TBox;
};

class CFloat final : public TBox<IFloat, float> {
public:
    using TBox::TBox;
};

class CDouble final : public TBox<IDouble, double> {
public:
    using TBox::TBox;
};

class CBool final : public TBox<IBool, bool> {
public:
    using TBox::TBox;
};

} // namespace tamu
