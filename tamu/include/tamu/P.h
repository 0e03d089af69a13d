#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace tamu {

// Owning smart pointer over an intrusively counted object. A raw pointer is taken either by
// sharing (explicit constructor: adds a reference) or by adopting (adopt(): takes over the
// creator's first reference, used exactly once right after `new`).
template <class T>
class P {
public:
    P() noexcept = default;
    P(std::nullptr_t) noexcept {}
    explicit P(T* shared) noexcept : m_ptr(shared) {
        if (m_ptr)
            m_ptr->addRef();
    }
    P(const P& other) noexcept : P(other.m_ptr) {}
    P(P&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    P(const P<U>& other) noexcept : P(static_cast<T*>(other.get())) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    P(P<U>&& other) noexcept : m_ptr(static_cast<T*>(other.detach())) {}
    ~P() {
        if (m_ptr)
            m_ptr->release();
    }

    static P adopt(T* created) noexcept {
        P p;
        p.m_ptr = created;
        return p;
    }

    P& operator=(const P& other) noexcept {
        // Reference the new pointee before letting go of the old one: self-assignment is safe.
        T* old = m_ptr;
        m_ptr = other.m_ptr;
        if (m_ptr)
            m_ptr->addRef();
        if (old)
            old->release();
        return *this;
    }
    P& operator=(P&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(m_ptr, std::exchange(other.m_ptr, nullptr));
            if (old)
                old->release();
        }
        return *this;
    }
    P& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    void reset() noexcept {
        if (T* old = std::exchange(m_ptr, nullptr))
            old->release();
    }
    // Gives up the reference without releasing it; the caller now owns it.
    [[nodiscard]] T* detach() noexcept { return std::exchange(m_ptr, nullptr); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    bool isNull() const noexcept { return m_ptr == nullptr; }

    template <class U>
    bool operator==(const P<U>& other) const noexcept {
        return m_ptr == other.get();
    }
    bool operator==(std::nullptr_t) const noexcept { return m_ptr == nullptr; }

private:
    T* m_ptr = nullptr;
};

template <class T>
using PC = P<const T>;

template <class T>
P<T> adopt(T* created) noexcept {
    return P<T>::adopt(created);
}

template <class T, class... Args>
P<T> make(Args&&... args) {
    return P<T>::adopt(new T(std::forward<Args>(args)...));
}

} // namespace tamu
