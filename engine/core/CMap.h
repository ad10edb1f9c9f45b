#pragma once

#include <concepts>
#include <cstdint>
#include <iterator>
#include <utility>

// Ordered map on a red-black tree. Keys are unique and ordered by K's `<`;
// a lookup tests each node's key with `==` first and uses `<` only to choose
// the branch, so K needs both. Keys that offer a three-way `compare` (the
// strings) are compared once per node instead, with the same outcome.
//
// Iteration runs in ascending key order. Erasing relinks nodes rather than
// copying entries between them, so iterators to other entries stay valid.
template <class K, class V> class CMap {
public:
    struct Node {
        Node* parent;
        Node* left;
        Node* right;
        bool isRed;
        K key;
        V value;
    };

    template <class N> class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = N;
        using difference_type = std::ptrdiff_t;
        using pointer = N*;
        using reference = N&;

        Iterator() = default;
        explicit Iterator(N* node) : m_node(node) {}
        // A mutable iterator converts to a const one.
        template <class M> Iterator(const Iterator<M>& other) : m_node(other.node()) {}

        N& operator*() const { return *m_node; }
        N* operator->() const { return m_node; }
        Iterator& operator++() {
            m_node = successor(m_node);
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.m_node == b.m_node; }

        [[nodiscard]] N* node() const { return m_node; }

    private:
        N* m_node = nullptr;
    };
    using iterator = Iterator<Node>;
    using const_iterator = Iterator<const Node>;

    CMap() = default;
    CMap(const CMap& other) { insertPreOrder(other.m_root); }
    CMap(CMap&& other) noexcept
        : m_root(std::exchange(other.m_root, nullptr)), m_count(std::exchange(other.m_count, 0)) {}
    ~CMap() { clear(); }

    // Replaces the contents by the entries of `other`, inserted root first,
    // then the left subtree, then the right one.
    CMap& operator=(const CMap& other) {
        if (this != &other) {
            clear();
            insertPreOrder(other.m_root);
        }
        return *this;
    }
    CMap& operator=(CMap&& other) noexcept {
        if (this != &other) {
            clear();
            m_root = std::exchange(other.m_root, nullptr);
            m_count = std::exchange(other.m_count, 0);
        }
        return *this;
    }

    [[nodiscard]] iterator find(const K& key) { return iterator(findNode(key)); }
    [[nodiscard]] const_iterator find(const K& key) const { return const_iterator(findNode(key)); }
    [[nodiscard]] bool contains(const K& key) const { return findNode(key) != nullptr; }

    // Adds the entry unless the key is present; an existing entry keeps its
    // value and `second` is false.
    std::pair<iterator, bool> insert(const K& key, const V& value) {
        Node* parent = nullptr;
        bool goLeft = false;
        for (Node* node = m_root; node;) {
            const int order = compareKeys(key, node->key);
            if (order == 0)
                return {iterator(node), false};
            parent = node;
            goLeft = order < 0;
            node = goLeft ? node->left : node->right;
        }
        Node* added = new Node{parent, nullptr, nullptr, true, key, value};
        if (!parent)
            m_root = added;
        else if (goLeft)
            parent->left = added;
        else
            parent->right = added;
        ++m_count;
        rebalanceAfterInsert(added);
        return {iterator(added), true};
    }

    // The value of `key`, inserted value-initialised when missing.
    V& operator[](const K& key) {
        if (Node* node = findNode(key))
            return node->value;
        return insert(key, V{}).first->value;
    }

    // Removes the entry; answers the iterator to the entry after it.
    iterator erase(iterator position) {
        Node* node = position.node();
        iterator next(successor(node));
        unlink(node);
        return next;
    }

    // Removes the entry of `key` and answers its value, or a
    // value-initialised V when the key is absent.
    V erase(const K& key) {
        Node* node = findNode(key);
        if (!node)
            return V{};
        V value = std::move(node->value);
        unlink(node);
        return value;
    }

    // Frees every node, children before their parent.
    void clear() {
        freeSubtree(m_root);
        m_root = nullptr;
        m_count = 0;
    }

    [[nodiscard]] uint32_t size() const { return m_count; }
    [[nodiscard]] bool empty() const { return m_count == 0; }

    iterator begin() { return iterator(leftmost(m_root)); }
    iterator end() { return iterator(); }
    const_iterator begin() const { return const_iterator(leftmost(m_root)); }
    const_iterator end() const { return const_iterator(); }

    // The tree itself, for code that checks its shape.
    [[nodiscard]] const Node* root() const { return m_root; }

private:
    template <class N> static N* leftmost(N* node) {
        if (node)
            while (node->left)
                node = node->left;
        return node;
    }

    template <class N> static N* successor(N* node) {
        if (node->right)
            return leftmost(node->right);
        N* parent = node->parent;
        while (parent && node == parent->right) {
            node = parent;
            parent = parent->parent;
        }
        return parent;
    }

    // Negative, zero or positive as `a` orders before, equal to or after `b`.
    static int compareKeys(const K& a, const K& b) {
        if constexpr (requires { { a.compare(b) } -> std::convertible_to<int>; })
            return a.compare(b);
        else
            return a == b ? 0 : (a < b ? -1 : 1);
    }

    Node* findNode(const K& key) const {
        Node* node = m_root;
        while (node) {
            const int order = compareKeys(key, node->key);
            if (order == 0)
                break;
            node = order < 0 ? node->left : node->right;
        }
        return node;
    }

    void insertPreOrder(const Node* node) {
        // Depth is bounded by twice the logarithm of the count.
        if (!node)
            return;
        insert(node->key, node->value);
        insertPreOrder(node->left);
        insertPreOrder(node->right);
    }

    static void freeSubtree(Node* node) {
        if (!node)
            return;
        freeSubtree(node->left);
        freeSubtree(node->right);
        delete node;
    }

    static bool isRed(const Node* node) { return node && node->isRed; }

    // Puts `replacement` (may be null) where `node` hangs in the tree.
    void replaceChild(Node* node, Node* replacement) {
        if (!node->parent)
            m_root = replacement;
        else if (node == node->parent->left)
            node->parent->left = replacement;
        else
            node->parent->right = replacement;
        if (replacement)
            replacement->parent = node->parent;
    }

    void rotateLeft(Node* node) {
        Node* pivot = node->right;
        node->right = pivot->left;
        if (pivot->left)
            pivot->left->parent = node;
        replaceChild(node, pivot);
        pivot->left = node;
        node->parent = pivot;
    }

    void rotateRight(Node* node) {
        Node* pivot = node->left;
        node->left = pivot->right;
        if (pivot->right)
            pivot->right->parent = node;
        replaceChild(node, pivot);
        pivot->right = node;
        node->parent = pivot;
    }

    void rebalanceAfterInsert(Node* node) {
        while (isRed(node->parent)) {
            Node* parent = node->parent;
            Node* grandparent = parent->parent; // a red node is never the root
            if (parent == grandparent->left) {
                Node* uncle = grandparent->right;
                if (isRed(uncle)) {
                    parent->isRed = false;
                    uncle->isRed = false;
                    grandparent->isRed = true;
                    node = grandparent;
                    continue;
                }
                if (node == parent->right) {
                    rotateLeft(parent);
                    parent = node;
                }
                parent->isRed = false;
                grandparent->isRed = true;
                rotateRight(grandparent);
                break; // the subtree top is black now
            } else {
                Node* uncle = grandparent->left;
                if (isRed(uncle)) {
                    parent->isRed = false;
                    uncle->isRed = false;
                    grandparent->isRed = true;
                    node = grandparent;
                    continue;
                }
                if (node == parent->left) {
                    rotateRight(parent);
                    parent = node;
                }
                parent->isRed = false;
                grandparent->isRed = true;
                rotateLeft(grandparent);
                break; // the subtree top is black now
            }
        }
        m_root->isRed = false;
    }

    // Takes `node` out of the tree and frees it. A node with two children is
    // replaced by its in-order successor, relinked into its place.
    void unlink(Node* node) {
        Node* child;       // the node that moves into the removed position
        Node* childParent; // its parent afterwards (child may be null)
        bool removedRed = node->isRed;
        if (!node->left || !node->right) {
            child = node->left ? node->left : node->right;
            childParent = node->parent;
            replaceChild(node, child);
        } else {
            Node* next = leftmost(node->right);
            removedRed = next->isRed;
            child = next->right;
            if (next->parent == node) {
                childParent = next;
            } else {
                childParent = next->parent;
                replaceChild(next, next->right);
                next->right = node->right;
                next->right->parent = next;
            }
            replaceChild(node, next);
            next->left = node->left;
            next->left->parent = next;
            next->isRed = node->isRed;
        }
        delete node;
        --m_count;
        if (!removedRed)
            rebalanceAfterErase(child, childParent);
    }

    // Restores the black heights after a black node left the tree above
    // `node` (which may be null, hanging below `parent`).
    void rebalanceAfterErase(Node* node, Node* parent) {
        while (node != m_root && !isRed(node)) {
            if (node == parent->left) {
                Node* sibling = parent->right; // never null: that side has a black node more
                if (sibling->isRed) {
                    sibling->isRed = false;
                    parent->isRed = true;
                    rotateLeft(parent);
                    sibling = parent->right;
                }
                if (!isRed(sibling->left) && !isRed(sibling->right)) {
                    sibling->isRed = true;
                    node = parent;
                    parent = node->parent;
                    continue;
                }
                if (!isRed(sibling->right)) {
                    sibling->left->isRed = false;
                    sibling->isRed = true;
                    rotateRight(sibling);
                    sibling = parent->right;
                }
                sibling->isRed = parent->isRed;
                parent->isRed = false;
                sibling->right->isRed = false;
                rotateLeft(parent);
            } else {
                Node* sibling = parent->left;
                if (sibling->isRed) {
                    sibling->isRed = false;
                    parent->isRed = true;
                    rotateRight(parent);
                    sibling = parent->left;
                }
                if (!isRed(sibling->left) && !isRed(sibling->right)) {
                    sibling->isRed = true;
                    node = parent;
                    parent = node->parent;
                    continue;
                }
                if (!isRed(sibling->left)) {
                    sibling->right->isRed = false;
                    sibling->isRed = true;
                    rotateLeft(sibling);
                    sibling = parent->left;
                }
                sibling->isRed = parent->isRed;
                parent->isRed = false;
                sibling->left->isRed = false;
                rotateRight(parent);
            }
            node = m_root;
        }
        if (node)
            node->isRed = false;
    }

    Node* m_root = nullptr;
    uint32_t m_count = 0;
};
