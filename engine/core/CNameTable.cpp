#include "engine/core/CNameTable.h"

template <class S> CNameTableOf<S>& CNameTableOf<S>::instance() {
    static CNameTableOf table;
    return table;
}

template <class S> CNameTableOf<S>::CNameTableOf() {
    m_byText.insert(S(), -1);
    m_byId.insert(-1, S());
}

template <class S> int CNameTableOf<S>::getId(const S& text) {
    auto found = m_byText.find(text);
    if (found != m_byText.end())
        return found->value;
    m_byText.insert(text, m_lastId + 1);
    ++m_lastId;
    m_byId.insert(m_lastId, text);
    return m_lastId;
}

template <class S> const S& CNameTableOf<S>::getText(int id) const {
    auto found = m_byId.find(id);
    if (found != m_byId.end())
        return found->value;
    return S::emptyString();
}

template class CNameTableOf<CString>;
template class CNameTableOf<CStringW>;
