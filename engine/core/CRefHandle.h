#pragma once

#include <cstddef>
#include <utility>

// Owning pointer to a reference-counted object.
//
// Built from a raw pointer, the handle adopts the reference that pointer
// carries (the one a `create...` function hands out); `CRefHandle<T>::share`
// takes a borrowed pointer and adds a reference of its own. Copies add one,
// destruction releases one. Assignment takes the new reference before it
// drops the old, so assigning an object that only the old one keeps alive is
// safe.
template <class T> class CRefHandle {
public:
    CRefHandle() = default;
    CRefHandle(std::nullptr_t) {}
    explicit CRefHandle(T* adopted) : m_object(adopted) {}

    // A handle that shares `borrowed`: the object gets one more reference.
    [[nodiscard]] static CRefHandle share(T* borrowed) {
        if (borrowed)
            borrowed->addRef();
        return CRefHandle(borrowed);
    }

    CRefHandle(const CRefHandle& other) : m_object(other.m_object) {
        if (m_object)
            m_object->addRef();
    }
    CRefHandle(CRefHandle&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}

    template <class U>
    CRefHandle(const CRefHandle<U>& other) : m_object(other.get()) {
        if (m_object)
            m_object->addRef();
    }

    ~CRefHandle() {
        if (m_object)
            m_object->release();
    }

    CRefHandle& operator=(const CRefHandle& other) {
        if (m_object != other.m_object) {
            T* old = m_object;
            m_object = other.m_object;
            if (m_object)
                m_object->addRef();
            if (old)
                old->release();
        }
        return *this;
    }
    CRefHandle& operator=(CRefHandle&& other) noexcept {
        if (this != &other) {
            T* old = m_object;
            m_object = std::exchange(other.m_object, nullptr);
            if (old)
                old->release();
        }
        return *this;
    }

    // Adopts `adopted` (no reference added) and releases the old object.
    void reset(T* adopted = nullptr) {
        T* old = m_object;
        m_object = adopted;
        if (old)
            old->release();
    }

    // Hands the reference to the caller; the handle becomes null.
    [[nodiscard]] T* detach() { return std::exchange(m_object, nullptr); }

    [[nodiscard]] T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    friend bool operator==(const CRefHandle& a, const CRefHandle& b) { return a.m_object == b.m_object; }
    friend bool operator==(const CRefHandle& a, const T* b) { return a.m_object == b; }

private:
    T* m_object = nullptr;
};
