#include "engine/scene/SetStates.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/BaseNode.h"

SetStates::SetStates() : Animator(1) {}

SetStates::~SetStates() = default;

const CStringW& SetStates::getTypeName() const {
    static const CStringW name(u"SetStates");
    return name;
}

const CStringW& SetStates::getClassName() const { return SetStates::getTypeName(); }

void SetStates::addRecord(const Record& record) {
    if (!record.state.empty())
        m_records.push_back(record);
}

void SetStates::apply(int32_t, bool applyValues) {
    BaseNode* target = getTarget();
    if (!applyValues || !target)
        return;
    // States set here may change the tree and even this key's state; keep
    // the target and the records as they were when the key was applied.
    const CRefHandle<BaseNode> keepTarget = CRefHandle<BaseNode>::share(target);
    const CArray<Record> records = m_records;
    for (const Record& record : records) {
        if (record.state.empty())
            continue;
        if (record.children.empty()) {
            target->applyStateRecursive(record.state, nullptr);
            continue;
        }
        for (CName name : record.children) {
            // The child's parent may drop it when its old state reports.
            const CRefHandle<BaseNode> child = CRefHandle<BaseNode>::share(target->findChild(name, -1));
            if (child)
                child->setState(record.state, nullptr, CName());
        }
    }
}

void SetStates::load(CXmlStreamReader* reader, IContentManager*, const CStringW& elementName) {
    m_records.clear();
    if (!reader || reader->isSelfClosing())
        return;
    static const CStringW stateName(u"State");
    while (reader->readNext()) {
        const int type = reader->nodeType();
        if (type == CXmlStreamReader::ElementEnd && reader->nodeName() == elementName)
            break;
        if (type != CXmlStreamReader::Element || !(reader->nodeName() == stateName))
            continue;
        Record record;
        record.state = CName(CString(reader->attribute("Name")));
        splitNames(record.children, CString(reader->attribute("Children")), true);
        addRecord(record);
    }
}

void SetStates::save(CXmlStreamWriter* writer, const CStringW& elementName) const {
    if (!writer)
        return;
    saveStart(writer, elementName, nullptr, nullptr, 0);
    for (const Record& record : m_records) {
        if (record.state.empty())
            continue;
        CString children;
        for (uint32_t i = 0; i < record.children.size(); ++i) {
            if (i > 0)
                children += ';';
            children += record.children[i].str();
        }
        const CStringW state(record.state.str());
        const CStringW childrenText(children);
        writer->openElement(u"State", true, u"Name", state.c_str(), u"Children", childrenText.c_str());
        writer->newLine();
    }
    saveEnd(writer, elementName);
}

CRefHandle<Animator> SetStates::clone() const {
    SetStates* copy = new SetStates();
    copy->setName(getName());
    copy->m_records = m_records;
    return CRefHandle<Animator>(copy);
}
