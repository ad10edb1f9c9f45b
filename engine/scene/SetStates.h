#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/Animator.h"

#include <cstdint>

// Puts descendants of its target into states the moment it is applied: each
// record names a state and the descendants (found at any depth) that get it;
// a record without names applies the state to the target's children
// recursively.
class SetStates : public Animator {
public:
    static constexpr int32_t TypeId = 3;

    struct Record {
        CName state;
        CArray<CName> children;
    };

    SetStates();

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || Animator::isKindOf(id); }

    // The time is not used.
    void apply(int32_t time, bool applyValues) override;
    [[nodiscard]] float getTime() const override { return 0.0f; }
    [[nodiscard]] int32_t getDuration() const override { return 0; }
    // Reads the "State" elements inside the key element: "Name" is the state,
    // "Children" the ';'-separated descendant names. Records without a state
    // are dropped.
    void load(CXmlStreamReader* reader, IContentManager* contentManager, const CStringW& elementName) override;
    void save(CXmlStreamWriter* writer, const CStringW& elementName) const override;
    [[nodiscard]] CRefHandle<Animator> clone() const override;

    [[nodiscard]] const CArray<Record>& getRecords() const { return m_records; }
    // Appends a record; one without a state is ignored.
    void addRecord(const Record& record);

protected:
    ~SetStates() override;

private:
    CArray<Record> m_records;
};
