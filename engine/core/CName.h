#pragma once

#include "engine/core/CString.h"

#include <cstdint>

template <class T> class CArray;

// An interned 8-bit name: the id of its text in `CNameTable`. Two names are
// equal when their ids are; as a map key a name orders by id. The empty name
// has id -1. Names are valid for the whole run and never written to files.
//
// Code comparing with a fixed name keeps a function-local constant:
//   static const CName gold("Gold");
class CName {
public:
    // The empty name.
    CName() = default;
    explicit CName(const CString& text);
    explicit CName(const char* text);

    // The name with a known id (from `id()` of another name).
    [[nodiscard]] static CName fromId(int id) {
        CName name;
        name.m_id = id;
        return name;
    }

    [[nodiscard]] int id() const { return m_id; }
    [[nodiscard]] bool empty() const { return m_id == -1; }
    // The text; the shared empty string for the empty name.
    [[nodiscard]] const CString& str() const;

    friend bool operator==(CName a, CName b) { return a.m_id == b.m_id; }
    friend bool operator<(CName a, CName b) { return a.m_id < b.m_id; }

private:
    int32_t m_id = -1;
};

// Splits `list` at ';', trims each part (spaces, tabs, line feeds, carriage
// returns) and appends the name of each part to `out`, which is emptied
// first. With `skipEmpty`, parts that are empty after trimming are left out;
// otherwise they give the empty name.
void splitNames(CArray<CName>& out, const CString& list, bool skipEmpty);
