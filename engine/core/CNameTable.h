#pragma once

#include "engine/core/CMap.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

// Process-wide table that interns names: each distinct text gets an integer
// id once, so names are compared as ints. The empty text has id -1; other
// texts get 1, 2, 3 ... in the order they are first seen. Ids are never
// reused or removed. Used from the main thread only (no lock).
//
// `CNameTable` holds 8-bit names (`CName`), `CNameTableW` 16-bit ones
// (`CObjectName`).
template <class S> class CNameTableOf {
public:
    // The table of this text width, built on first use, destroyed at exit.
    [[nodiscard]] static CNameTableOf& instance();

    // A table of its own, holding only the empty text. The engine uses the
    // instances; separate tables serve tests.
    CNameTableOf();

    CNameTableOf(const CNameTableOf&) = delete;
    CNameTableOf& operator=(const CNameTableOf&) = delete;

    // The id of `text`, interning it when it is new.
    [[nodiscard]] int getId(const S& text);
    // The text of `id`, or the shared empty string for an id never handed out.
    [[nodiscard]] const S& getText(int id) const;

    // The last id handed out (0 before the first).
    [[nodiscard]] int lastId() const { return m_lastId; }

private:
    CMap<S, int> m_byText;
    CMap<int, S> m_byId;
    int m_lastId = 0;
};

using CNameTable = CNameTableOf<CString>;
using CNameTableW = CNameTableOf<CStringW>;

extern template class CNameTableOf<CString>;
extern template class CNameTableOf<CStringW>;
