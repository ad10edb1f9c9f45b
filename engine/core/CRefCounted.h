#pragma once

// Intrusive reference count shared by nodes, events, content, services and
// drivers. The count is 1 after construction; the release that takes it to 0
// deletes the object. Counting is not atomic: objects shared with the audio
// thread are guarded by the audio layer's own locks.
//
// Most classes derive `virtual CRefCounted`, so an object reached through
// several interfaces has one count. `addRef` and `release` are const over a
// mutable count so that const objects can be shared.
class CRefCounted {
public:
    CRefCounted() = default;
    CRefCounted(const CRefCounted&) = delete;
    CRefCounted& operator=(const CRefCounted&) = delete;

    void addRef() const { ++m_count; }

    // Drops one reference; answers true when that was the last one and the
    // object has been deleted.
    bool release() const {
        if (--m_count == 0) {
            delete this;
            return true;
        }
        return false;
    }

    [[nodiscard]] int referenceCount() const { return m_count; }

protected:
    virtual ~CRefCounted();

private:
    mutable int m_count = 1;
};

// Releases `object` when it is not null and sets the variable to null.
template <class T> void releaseAndNull(T*& object) {
    if (object) {
        object->release();
        object = nullptr;
    }
}
