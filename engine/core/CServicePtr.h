#pragma once

#include "engine/core/CRefCounted.h"

#include <cstddef>
#include <utility>

// The owning pointer by which the engine holds a service whose class lives in
// a higher library (the video driver, the audio device, ...). The engine's
// code sees only a forward declaration of T, so the reference is kept through
// the object's CRefCounted base, taken where the caller hands the service
// over and T is complete.
template <class T> class CServicePtr {
public:
    CServicePtr() = default;
    CServicePtr(const CServicePtr&) = delete;
    CServicePtr& operator=(const CServicePtr&) = delete;
    ~CServicePtr() { reset(); }

    // Adopts the reference `object` carries (null allowed) and releases the
    // old service. U is T or a class derived from it, and complete here.
    template <class U> void reset(U* object) {
        CRefCounted* old = m_owner;
        m_object = object;
        m_owner = object;
        if (old)
            old->release();
    }
    void reset(std::nullptr_t = nullptr) {
        CRefCounted* old = std::exchange(m_owner, nullptr);
        m_object = nullptr;
        if (old)
            old->release();
    }

    [[nodiscard]] T* get() const { return m_object; }
    // The same object through its counted base, for code that cannot see T.
    [[nodiscard]] CRefCounted* counted() const { return m_owner; }

private:
    T* m_object = nullptr;
    CRefCounted* m_owner = nullptr;
};
