#pragma once

#include <cstdint>
#include <iterator>
#include <utility>

// Doubly linked list of values. Appending and removing through an iterator
// leave iterators to the other nodes valid.
template <class T> class CList {
public:
    struct Node {
        Node* next;
        Node* previous;
        T value;
    };

    template <class N, class Value> class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = Value*;
        using reference = Value&;

        Iterator() = default;
        explicit Iterator(N* node) : m_node(node) {}
        // A mutable iterator converts to a const one.
        template <class M, class W> Iterator(const Iterator<M, W>& other) : m_node(other.node()) {}

        Value& operator*() const { return m_node->value; }
        Value* operator->() const { return &m_node->value; }
        Iterator& operator++() {
            m_node = m_node->next;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            m_node = m_node->next;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.m_node == b.m_node; }

        [[nodiscard]] N* node() const { return m_node; }

    private:
        N* m_node = nullptr;
    };
    using iterator = Iterator<Node, T>;
    using const_iterator = Iterator<const Node, const T>;

    CList() = default;
    CList(const CList& other) { appendAll(other); }
    CList(CList&& other) noexcept
        : m_first(std::exchange(other.m_first, nullptr)), m_last(std::exchange(other.m_last, nullptr)),
          m_count(std::exchange(other.m_count, 0)) {}
    ~CList() { clear(); }

    // Replaces the contents by copies of `other`'s values in order; assigning
    // a list to itself changes nothing.
    CList& operator=(const CList& other) {
        if (this != &other) {
            clear();
            appendAll(other);
        }
        return *this;
    }
    CList& operator=(CList&& other) noexcept {
        if (this != &other) {
            clear();
            m_first = std::exchange(other.m_first, nullptr);
            m_last = std::exchange(other.m_last, nullptr);
            m_count = std::exchange(other.m_count, 0);
        }
        return *this;
    }

    void push_back(const T& value) {
        Node* node = new Node{nullptr, m_last, value};
        if (m_last)
            m_last->next = node;
        else
            m_first = node;
        m_last = node;
        ++m_count;
    }

    void push_front(const T& value) {
        Node* node = new Node{m_first, nullptr, value};
        if (m_first)
            m_first->previous = node;
        else
            m_last = node;
        m_first = node;
        ++m_count;
    }

    // Removes the node at `position`; answers the iterator after it.
    iterator erase(iterator position) {
        Node* node = position.node();
        Node* next = node->next;
        if (node->previous)
            node->previous->next = next;
        else
            m_first = next;
        if (next)
            next->previous = node->previous;
        else
            m_last = node->previous;
        delete node;
        --m_count;
        return iterator(next);
    }

    void clear() {
        Node* node = m_first;
        while (node) {
            Node* next = node->next;
            delete node;
            node = next;
        }
        m_first = nullptr;
        m_last = nullptr;
        m_count = 0;
    }

    T& front() { return m_first->value; }
    const T& front() const { return m_first->value; }
    T& back() { return m_last->value; }
    const T& back() const { return m_last->value; }

    [[nodiscard]] uint32_t size() const { return m_count; }
    [[nodiscard]] bool empty() const { return m_count == 0; }

    iterator begin() { return iterator(m_first); }
    iterator end() { return iterator(); }
    const_iterator begin() const { return const_iterator(m_first); }
    const_iterator end() const { return const_iterator(); }

private:
    void appendAll(const CList& other) {
        for (const Node* node = other.m_first; node; node = node->next)
            push_back(node->value);
    }

    Node* m_first = nullptr;
    Node* m_last = nullptr;
    uint32_t m_count = 0;
};
