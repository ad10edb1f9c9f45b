#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// Sorts data[0..n) ascending by `less` with the engine's heap sort. The sort is
// not stable; lists that keep equal elements (listeners of equal priority, for
// one) rely on the exact order this procedure leaves them in, so it must not be
// replaced by another algorithm.
//
// Positions are counted from 1: a max-heap is built by sifting down positions
// (n - 1) / 2 + 1 down to 1; then the largest element is swapped behind the
// heap, which shrinks by one and has its top sifted down again.
template <class T, class Less> void heapSort(T* data, uint32_t n, Less less) {
    if (n < 2)
        return;
    auto at = [data](uint32_t position) -> T& { return data[position - 1]; };
    auto siftDown = [&](uint32_t k, uint32_t m) {
        while (uint64_t(k) * 2 <= m) {
            uint32_t child = k * 2;
            if (child + 1 <= m && less(at(child), at(child + 1)))
                ++child;
            if (!less(at(k), at(child)))
                return;
            std::swap(at(k), at(child));
            k = child;
        }
    };
    for (uint32_t k = (n - 1) / 2 + 1; k >= 1; --k)
        siftDown(k, n);
    for (uint32_t m = n - 1; m >= 1; --m) {
        std::swap(at(1), at(m + 1));
        siftDown(1, m);
    }
}

template <class T> void heapSort(T* data, uint32_t n) {
    heapSort(data, n, [](const T& x, const T& y) { return x < y; });
}

// Growable array: the container behind most collections of the engine.
//
// A full array grows to used + 1 + 5 while it has fewer than 5 slots, to
// used + 1 + used below 500 slots and to used + 1 + used / 4 from then on
// (0, 6, 13, 27, ... 447, 895, 1119 ...). Only `clear` gives memory back.
//
// The is-sorted flag says the elements are known to be ascending: every
// insertion clears it and `sort` does its work only while it is clear.
// Removal is the owner's choice: `erase` keeps the order, `eraseSwapLast`
// fills the gap with the last element.
//
// Plain element types are copied bit for bit; others are copy-constructed.
// Indexes are not checked: callers keep them below `size()` (at most `size()`
// for an insertion).
template <class T> class CArray {
public:
    CArray() = default;
    CArray(const CArray& other) { copyFrom(other); }
    CArray(CArray&& other) noexcept { takeFrom(other); }
    ~CArray() { clear(); }

    // Replaces the contents by a copy of `other`: its capacity (no buffer when
    // it has none), its elements and its sorted flag. Assigning an array to
    // itself leaves it unchanged.
    CArray& operator=(const CArray& other) {
        if (this != &other) {
            clear();
            copyFrom(other);
        }
        return *this;
    }
    CArray& operator=(CArray&& other) noexcept {
        if (this != &other) {
            clear();
            takeFrom(other);
        }
        return *this;
    }

    // Inserts `element` before the one at `index` (index == size() appends).
    // The element is copied first, so an element of this same array is safe
    // to insert even when the buffer moves.
    void insert(const T& element, uint32_t index) {
        T copy(element);
        if (m_used + 1 > m_allocated)
            reallocate(grownCapacity());
        T* slot = m_data + index;
        if constexpr (std::is_trivially_copyable_v<T>) {
            if (index < m_used)
                std::memmove(static_cast<void*>(slot + 1), static_cast<const void*>(slot),
                             sizeof(T) * (m_used - index));
            std::memcpy(static_cast<void*>(slot), static_cast<const void*>(&copy), sizeof(T));
        } else {
            if (index < m_used) {
                ::new (static_cast<void*>(m_data + m_used)) T(std::move(m_data[m_used - 1]));
                for (uint32_t i = m_used - 1; i > index; --i)
                    m_data[i] = std::move(m_data[i - 1]);
                *slot = std::move(copy);
            } else {
                ::new (static_cast<void*>(slot)) T(std::move(copy));
            }
        }
        ++m_used;
        m_isSorted = false;
    }

    // Appends `element`. With room left it is built in place from the
    // argument (the render lists of every frame take this path), which may
    // even be an element of this array since nothing moves.
    void push_back(const T& element) {
        if (m_used < m_allocated) [[likely]] {
            ::new (static_cast<void*>(m_data + m_used)) T(element);
            ++m_used;
            m_isSorted = false;
            return;
        }
        insert(element, m_used);
    }

    // Makes room for at least `capacity` elements in one step (nothing when
    // there is room already), so that the appends that follow do not
    // reallocate. The elements stay.
    void reserve(uint32_t capacity) {
        if (capacity > m_allocated)
            reallocate(capacity);
    }

    // Appends copies of `count` elements from `items` at the end, in one
    // block; `items` may point into this array. A full array grows to what
    // the insertion rule would give it, or to exactly what is needed when
    // that is more. False, changing nothing, when the size would pass
    // 32 bits.
    [[nodiscard]] bool append(const T* items, uint32_t count) {
        if (count == 0)
            return true;
        const uint64_t needed = uint64_t(m_used) + count;
        if (needed > UINT32_MAX)
            return false;
        if (needed > m_allocated) {
            // Items of this array move with the buffer; find them again by index.
            const std::less<const T*> before;
            const bool ownItems = m_used > 0 && !before(items, m_data) && before(items, m_data + m_used);
            const std::ptrdiff_t offset = ownItems ? items - m_data : 0;
            reallocate(std::max(static_cast<uint32_t>(needed), grownCapacity()));
            if (ownItems)
                items = m_data + offset;
        }
        T* slot = m_data + m_used;
        if constexpr (std::is_trivially_copyable_v<T>) {
            std::memcpy(static_cast<void*>(slot), static_cast<const void*>(items), sizeof(T) * count);
        } else {
            for (uint32_t i = 0; i < count; ++i)
                ::new (static_cast<void*>(slot + i)) T(items[i]);
        }
        m_used += count;
        m_isSorted = false;
        return true;
    }

    // Removes the element at `index`, moving the later ones down (order kept).
    void erase(uint32_t index) {
        if constexpr (std::is_trivially_copyable_v<T>) {
            std::memmove(static_cast<void*>(m_data + index), static_cast<const void*>(m_data + index + 1),
                         sizeof(T) * (m_used - index - 1));
        } else {
            for (uint32_t i = index; i + 1 < m_used; ++i)
                m_data[i] = std::move(m_data[i + 1]);
            m_data[m_used - 1].~T();
        }
        --m_used;
    }

    // Removes the element at `index` by moving the last element into its
    // place. The order changes, so the sorted flag is cleared unless the last
    // element itself was removed.
    void eraseSwapLast(uint32_t index) {
        const uint32_t last = m_used - 1;
        if (index != last) {
            m_data[index] = std::move(m_data[last]);
            m_isSorted = false;
        }
        if constexpr (!std::is_trivially_destructible_v<T>)
            m_data[last].~T();
        --m_used;
    }

    void pop_back() { erase(m_used - 1); }

    // Frees the buffer (when this array allocated it) and returns to the
    // fresh state: no buffer, nothing used, sorted.
    void clear() {
        destroyRange(0, m_used);
        if (m_ownsData && m_data)
            std::allocator<T>().deallocate(m_data, m_allocated);
        m_data = nullptr;
        m_allocated = 0;
        m_used = 0;
        m_ownsData = false;
        m_isSorted = true;
    }

    // Moves the contents into a new buffer of exactly `capacity` elements.
    // Elements beyond it are dropped.
    void reallocate(uint32_t capacity) {
        T* fresh = capacity ? std::allocator<T>().allocate(capacity) : nullptr;
        const uint32_t kept = std::min(m_used, capacity);
        if constexpr (std::is_trivially_copyable_v<T>) {
            if (kept)
                std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(m_data), sizeof(T) * kept);
        } else {
            for (uint32_t i = 0; i < kept; ++i)
                ::new (static_cast<void*>(fresh + i)) T(std::move(m_data[i]));
        }
        destroyRange(0, m_used);
        if (m_ownsData && m_data)
            std::allocator<T>().deallocate(m_data, m_allocated);
        m_data = fresh;
        m_allocated = capacity;
        m_used = kept;
        m_ownsData = true;
    }

    // Sorts ascending by `<` unless the array is already marked sorted.
    void sort() {
        sort([](const T& a, const T& b) { return a < b; });
    }
    template <class Less> void sort(Less less) {
        if (m_isSorted || m_used < 2)
            return;
        heapSort(m_data, m_used, less);
        m_isSorted = true;
    }

    // Index of the first element equal to `value`, or -1.
    [[nodiscard]] int64_t indexOf(const T& value) const {
        for (uint32_t i = 0; i < m_used; ++i)
            if (m_data[i] == value)
                return i;
        return -1;
    }

    T& operator[](uint32_t index) { return m_data[index]; }
    const T& operator[](uint32_t index) const { return m_data[index]; }
    T& back() { return m_data[m_used - 1]; }
    const T& back() const { return m_data[m_used - 1]; }

    [[nodiscard]] uint32_t size() const { return m_used; }
    [[nodiscard]] bool empty() const { return m_used == 0; }
    [[nodiscard]] uint32_t allocated() const { return m_allocated; }
    [[nodiscard]] bool ownsData() const { return m_ownsData; }
    [[nodiscard]] bool isSorted() const { return m_isSorted; }
    // For owners that keep the order themselves (inserting at the right place).
    void setSorted(bool sorted) { m_isSorted = sorted; }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_used; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_used; }

private:
    uint32_t grownCapacity() const {
        uint64_t extra = m_allocated < 5 ? 5 : m_allocated < 500 ? m_used : m_used / 4;
        uint64_t capacity = uint64_t(m_used) + 1 + extra;
        return capacity > UINT32_MAX ? UINT32_MAX : uint32_t(capacity);
    }

    void destroyRange(uint32_t from, uint32_t to) {
        if constexpr (!std::is_trivially_destructible_v<T>)
            for (uint32_t i = from; i < to; ++i)
                m_data[i].~T();
    }

    // Expects the fresh state.
    void copyFrom(const CArray& other) {
        if (other.m_allocated) {
            m_data = std::allocator<T>().allocate(other.m_allocated);
            m_allocated = other.m_allocated;
            m_ownsData = true;
            if constexpr (std::is_trivially_copyable_v<T>) {
                if (other.m_used)
                    std::memcpy(static_cast<void*>(m_data), static_cast<const void*>(other.m_data),
                                sizeof(T) * other.m_used);
            } else {
                for (uint32_t i = 0; i < other.m_used; ++i)
                    ::new (static_cast<void*>(m_data + i)) T(other.m_data[i]);
            }
            m_used = other.m_used;
        }
        m_isSorted = other.m_isSorted;
    }

    // Expects the fresh state; leaves `other` fresh.
    void takeFrom(CArray& other) {
        m_data = std::exchange(other.m_data, nullptr);
        m_allocated = std::exchange(other.m_allocated, 0);
        m_used = std::exchange(other.m_used, 0);
        m_ownsData = std::exchange(other.m_ownsData, false);
        m_isSorted = std::exchange(other.m_isSorted, true);
    }

    T* m_data = nullptr;
    uint32_t m_allocated = 0;
    uint32_t m_used = 0;
    bool m_ownsData = false;
    bool m_isSorted = true;
};
