#include "engine/scene/CPropertyTable.h"

#include "engine/core/CName.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyDataBool.h"
#include "engine/scene/CPropertyDataColor.h"
#include "engine/scene/CPropertyDataFloat.h"
#include "engine/scene/CPropertyDataInt.h"
#include "engine/scene/CPropertyDataString.h"
#include "engine/scene/CPropertyDataVector3d.h"
#include "engine/scene/CPropertyObject.h"
#include "engine/scene/NodeLayoutBits.h"
#include "engine/scene/PropertyValues.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A small reflective class in the manner of the node classes: plain fields,
// layout fields in one word, a name-valued property.
class Widget : public CPropertyObject {
public:
    [[nodiscard]] const CPropertyTable& getPropertyTable() const override { return propertyTable(); }
    static const CPropertyTable& propertyTable() {
        static const CPropertyTable table = [] {
            CPropertyTable t(CPropertyObject::propertyTable());
            t.add<&Widget::setVisibleProperty, &Widget::getVisibleProperty>("Visible");
            t.add<&Widget::setPositionProperty, &Widget::getPositionProperty>("Position");
            t.add<&Widget::setTintProperty, &Widget::getTintProperty>("TintColor");
            t.add<&Widget::setAlignmentXProperty, &Widget::getAlignmentXProperty>("AlignmentX");
            t.add<&Widget::setAlignmentYProperty, &Widget::getAlignmentYProperty>("AlignmentY");
            t.add<&Widget::setNameProperty, &Widget::getNameProperty>("Name");
            return t;
        }();
        return table;
    }

    bool visible = true;
    CVector3d position{1.0f, 2.0f, 3.0f};
    CColor tint{0xFFFFFFFFu};
    uint32_t layout = 0x000000A5u; // low bits: other flags
    CName name{"Start"};
    int positionChanges = 0;

private:
    void setVisibleProperty(const CRefHandle<IPropertyData>& value) { visible = getPropertyBool(value); }
    CRefHandle<IPropertyData> getVisibleProperty() const { return CPropertyDataBool::create(visible); }
    void setPositionProperty(const CRefHandle<IPropertyData>& value) {
        position = getPropertyVector3d(value);
        ++positionChanges;
    }
    CRefHandle<IPropertyData> getPositionProperty() const { return CPropertyDataVector3d::create(position); }
    void setTintProperty(const CRefHandle<IPropertyData>& value) { tint = getPropertyColor(value); }
    CRefHandle<IPropertyData> getTintProperty() const { return CPropertyDataColor::create(tint); }
    void setAlignmentXProperty(const CRefHandle<IPropertyData>& value) {
        layout = setLayoutField(layout, kLayoutAlignmentXShift, getPropertyInt(value));
    }
    CRefHandle<IPropertyData> getAlignmentXProperty() const {
        return CPropertyDataInt::create(getLayoutFieldSigned(layout, kLayoutAlignmentXShift));
    }
    void setAlignmentYProperty(const CRefHandle<IPropertyData>& value) {
        layout = setLayoutField(layout, kLayoutAlignmentYShift, getPropertyInt(value));
    }
    CRefHandle<IPropertyData> getAlignmentYProperty() const {
        return CPropertyDataInt::create(getLayoutField(layout, kLayoutAlignmentYShift));
    }
    void setNameProperty(const CRefHandle<IPropertyData>& value) { name = getPropertyNameId(value); }
    CRefHandle<IPropertyData> getNameProperty() const { return CPropertyDataString::createFromNameId(name); }
};

// A derived class: the base entries first, then its own; one repeats a base
// name and is never reached by name.
class Button : public Widget {
public:
    [[nodiscard]] const CPropertyTable& getPropertyTable() const override { return propertyTable(); }
    static const CPropertyTable& propertyTable() {
        static const CPropertyTable table = [] {
            CPropertyTable t(Widget::propertyTable());
            t.add<&Button::setPressModeProperty, &Button::getPressModeProperty>("PressMode");
            t.add(
                "Visible",
                [](CPropertyObject* object, const CRefHandle<IPropertyData>&) {
                    static_cast<Button*>(object)->shadowed = true;
                },
                [](const CPropertyObject*) -> CRefHandle<IPropertyData> { return CPropertyDataBool::create(false); });
            return t;
        }();
        return table;
    }

    int pressMode = 2;
    bool shadowed = false;

private:
    void setPressModeProperty(const CRefHandle<IPropertyData>& value) {
        pressMode = getPropertyPressMode(value, pressMode);
    }
    CRefHandle<IPropertyData> getPressModeProperty() const { return CPropertyDataInt::create(pressMode); }
};

std::vector<std::string> entryNames(const CPropertyTable& table) {
    std::vector<std::string> out;
    for (int i = 0; i < table.getCount(); ++i)
        out.emplace_back(table.getAt(i).name.view());
    return out;
}

} // namespace

TEST(CPropertyTable, ListsBaseEntriesFirst) {
    EXPECT_EQ(CPropertyObject::propertyTable().getCount(), 0);
    EXPECT_EQ(entryNames(Widget::propertyTable()),
              (std::vector<std::string>{"Visible", "Position", "TintColor", "AlignmentX", "AlignmentY", "Name"}));
    EXPECT_EQ(entryNames(Button::propertyTable()),
              (std::vector<std::string>{"Visible", "Position", "TintColor", "AlignmentX", "AlignmentY", "Name",
                                        "PressMode", "Visible"}));
    // Built once: the same table every time, and through the object too.
    Button button;
    EXPECT_EQ(&button.getPropertyTable(), &Button::propertyTable());
    EXPECT_EQ(&static_cast<CPropertyObject&>(button).getPropertyTable(), &Button::propertyTable());

    // Lookup by name reaches the first entry only.
    button.setProperty("Visible", CPropertyDataBool::create(false));
    EXPECT_FALSE(button.visible);
    EXPECT_FALSE(button.shadowed);
    EXPECT_EQ(Button::propertyTable().indexOf("Visible"), 0);
    EXPECT_EQ(Button::propertyTable().indexOf("PressMode"), 6);
    EXPECT_EQ(Button::propertyTable().indexOf("visible"), -1);

    // appendAll adds another table's entries behind the own ones, itself too.
    CPropertyTable combined;
    combined.appendAll(Widget::propertyTable());
    combined.appendAll(combined);
    EXPECT_EQ(combined.getCount(), 2 * Widget::propertyTable().getCount());
    EXPECT_EQ(entryNames(combined)[6], "Visible");
}

TEST(CPropertyTable, SettersGivenTheWrongKindStoreZero) {
    const struct {
        const char* property;
        CRefHandle<IPropertyData> good;
        const char* goodText;
    } cases[] = {
        {"Visible", CPropertyDataBool::create(true), "true"},
        {"Position", CPropertyDataVector3d::create({4.0f, 5.0f, 6.0f}), "4;5;6"},
        {"TintColor", CPropertyDataColor::create(CColor(0x80112233u)), "80112233"},
        {"AlignmentY", CPropertyDataInt::create(3), "3"},
    };
    const char* zeroTexts[] = {"false", "0;0;0", "00000000", "0"};
    const CRefHandle<IPropertyData> wrongKinds[] = {nullptr, CPropertyDataFloat::create(1.0f),
                                                    CPropertyDataString::create("1")};
    int row = 0;
    for (const auto& c : cases) {
        for (const auto& wrong : wrongKinds) {
            SCOPED_TRACE(std::string(c.property) + (wrong ? " from another kind" : " from null"));
            Widget widget;
            widget.setProperty(c.property, c.good);
            EXPECT_EQ(std::string(getPropertyString(widget.getProperty(c.property)).view()), c.goodText);
            widget.setProperty(c.property, wrong);
            CRefHandle<IPropertyData> now = widget.getProperty(c.property);
            ASSERT_TRUE(now); // getters never answer null
            EXPECT_EQ(now->referenceCount(), 1);
            EXPECT_EQ(std::string(getPropertyString(now).view()), zeroTexts[row]);
        }
        ++row;
    }
}

TEST(CPropertyTable, NamePropertiesTakeTheTextOfAnyKind) {
    Widget widget;
    widget.setProperty("Name", CPropertyDataInt::create(12));
    EXPECT_EQ(widget.name, CName("12"));
    widget.setProperty("Name", CPropertyDataString::create("Idle"));
    EXPECT_EQ(std::string(getPropertyString(widget.getProperty("Name")).view()), "Idle");
    widget.setProperty("Name", nullptr);
    EXPECT_TRUE(widget.name.empty());
    EXPECT_EQ(std::string(getPropertyString(widget.getProperty("Name")).view()), "");
}

TEST(CPropertyTable, LayoutFieldsChangeOnlyTheirOwnBits) {
    Widget widget;
    widget.setProperty("AlignmentY", CPropertyDataInt::create(2));
    widget.setProperty("AlignmentX", CPropertyDataInt::create(1));
    EXPECT_EQ(getPropertyInt(widget.getProperty("AlignmentY")), 2);
    EXPECT_EQ(getPropertyInt(widget.getProperty("AlignmentX")), 1);
    EXPECT_EQ(widget.layout, 0x120000A5u);

    // AlignmentX is signed: 15 and -1 are the same four bits.
    widget.setProperty("AlignmentX", CPropertyDataInt::create(-1));
    EXPECT_EQ(getPropertyInt(widget.getProperty("AlignmentX")), -1);
    widget.setProperty("AlignmentX", CPropertyDataInt::create(8));
    EXPECT_EQ(getPropertyInt(widget.getProperty("AlignmentX")), -8);
    widget.setProperty("AlignmentY", CPropertyDataInt::create(0x35)); // low four bits only
    EXPECT_EQ(getPropertyInt(widget.getProperty("AlignmentY")), 5);
    EXPECT_EQ(widget.layout, 0x850000A5u);

    const struct {
        int shift;
        uint32_t word;
        int value;
    } fields[] = {
        {kLayoutAnchorXShift, 0x00700000u, 7},
        {kLayoutAnchorYShift, 0x000F0000u, 15},
        {kLayoutSizePolicyXShift, 0x00001000u, 1},
        {kLayoutSizePolicyYShift, 0x00000900u, 9},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.shift);
        EXPECT_EQ(setLayoutField(0xFFFFFFFFu, f.shift, 0) | f.word, setLayoutField(0xFFFFFFFFu, f.shift, f.value));
        EXPECT_EQ(getLayoutField(f.word, f.shift), f.value);
    }
}

TEST(CPropertyTable, PressModeKeepsNumbersOutsideItsRange) {
    const struct {
        const char* what;
        CRefHandle<IPropertyData> value;
        int expected; // starting from 2
    } cases[] = {
        {"in range", CPropertyDataInt::create(3), 3},          {"zero", CPropertyDataInt::create(0), 0},
        {"too large", CPropertyDataInt::create(7), 2},         {"negative", CPropertyDataInt::create(-1), 2},
        {"another kind", CPropertyDataFloat::create(1.0f), 0}, {"null", nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Button button;
        button.setProperty("PressMode", c.value);
        EXPECT_EQ(button.pressMode, c.expected);
    }
}

TEST(CPropertyTable, BindingByPosition) {
    Button button;
    const CPropertyTable& table = button.getPropertyTable();
    const int position = table.indexOf("Position");
    ASSERT_EQ(position, 1);
    table.setAt(&button, position, CPropertyDataVector3d::create({7.0f, 8.0f, 9.0f}));
    EXPECT_EQ(button.positionChanges, 1);
    EXPECT_EQ(button.position.x, 7.0f);

    // Unbound names (-1) and positions past the end do nothing.
    table.setAt(&button, table.indexOf("Missing"), CPropertyDataVector3d::create({}));
    table.setAt(&button, table.getCount(), CPropertyDataVector3d::create({}));
    EXPECT_EQ(button.positionChanges, 1);
    EXPECT_FALSE(table.getAt(&button, -1));
    EXPECT_FALSE(button.getProperty("position"));
    button.setProperty("position", CPropertyDataVector3d::create({}));
    EXPECT_EQ(button.positionChanges, 1);
}

TEST(CPropertyTable, BindsTheNamesOfABagInBagOrder) {
    Button button;
    const CPropertyTable& table = button.getPropertyTable();
    CRefHandle<CPropertyBag> bag(new CPropertyBag());
    bag->setInt("PressMode", 1);
    bag->setBool("Missing", true);
    bag->setVector3d("Position", {});
    bag->setBool("visible", true);
    CArray<int> positions;
    positions.push_back(42);
    table.indexesOf(*bag, positions);
    ASSERT_EQ(positions.size(), 4u) << "earlier contents are replaced";
    EXPECT_EQ(positions[0], table.indexOf("PressMode"));
    EXPECT_EQ(positions[1], -1);
    EXPECT_EQ(positions[2], 1);
    EXPECT_EQ(positions[3], -1) << "names are case-sensitive";

    table.indexesOf(*CRefHandle<CPropertyBag>(new CPropertyBag()), positions);
    EXPECT_EQ(positions.size(), 0u);
}
