// Lists read from scene files with their looks from a template collection:
// the element grid, scrolling by buttons, slider and keys, the selection and
// the list events, driven through a live scene manager.

#include "engine/nodes/ListNode.h"

#include "engine/core/CEventKey.h"
#include "engine/core/CEventKeyDown.h"
#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CEventMouseMove.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/CEventValueChanged.h"
#include "engine/nodes/CheckBoxNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/SliderNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/CSceneFileWriter.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

// A plain node hit inside its bounds.
class ListHitBox : public BaseNode {
public:
    using BaseNode::BaseNode;
    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* manager) const override {
        return cloneAs<ListHitBox>(parent, manager);
    }
    [[nodiscard]] bool hitTest(const CVector3d& point) const override { return isPointInside(point); }

protected:
    ~ListHitBox() override = default;
};

std::string node(const char* type, const char* name, const std::string& properties, const std::string& inner = "") {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + inner + "</SceneNode>\n";
}

std::string at(int x, int y) {
    return "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) + ";" + std::to_string(y) + ";0\"/>";
}
std::string size(int w, int h) {
    return "<vector3d Name=\"Bounds\" Value=\"" + std::to_string(w) + ";" + std::to_string(h) + ";0\"/>";
}
std::string templateName(const char* name) {
    return std::string("<string Name=\"TemplateName\" Value=\"") + name + "\"/>";
}

const char* const kNoHit = R"(<bool Name="CanBeHit" Value="false"/>)";

// The list template: an element row of 100 x 60 (a button with two texts,
// an image and a check box), two step buttons left of the list and a
// vertical scroll bar left of them.
std::string templatesFile() {
    const std::string element =
        node("ButtonNode", "Element", size(100, 60) + templateName("Row"),
             node("TextNode", "Text", kNoHit) + node("SpriteNode", "Image", kNoHit) + node("TextNode", "Text", kNoHit) +
                 node("CheckBoxNode", "CheckBox", at(80, 0) + size(20, 20) + templateName("Check")));
    return "<?xml version=\"1.0\"?>\n" +
           node("TemplateCollectionNode", "Templates", "",
                node("BaseNode", "Row", "", node("ListHitBox", "Face", size(100, 60))) +
                    node("BaseNode", "Check", "", node("ListHitBox", "Face", size(20, 20))) +
                    node("BaseNode", "Step", "", node("ListHitBox", "Face", size(20, 20))) +
                    node("BaseNode", "Bar", "",
                         node("ListHitBox", "SlidingArea", size(10, 100)) + node("BaseNode", "Knob", size(10, 10))) +
                    node("BaseNode", "List", "",
                         element + node("ButtonNode", "PrevButton", at(-60, 0) + size(20, 20) + templateName("Step")) +
                             node("ButtonNode", "NextButton", at(-30, 0) + size(20, 20) + templateName("Step")) +
                             node("SliderNode", "Slider",
                                  at(-90, 0) + size(10, 100) + templateName("Bar") +
                                      "<int Name=\"KnobType\" Value=\"2\"/>")));
}

// A column of five rows at (100, 0), a 4 x 2 grid at (100, 400), and
// whatever `extra` adds.
std::string screenFile(const std::string& columnProperties, const std::string& extra = "") {
    return "<?xml version=\"1.0\"?>\n" +
           node("SceneNode", "Screen", size(1024, 768),
                node("ListNode", "Column", at(100, 0) + size(100, 300) + templateName("List") + columnProperties) +
                    node("ListNode", "Grid",
                         at(100, 400) + size(400, 120) + templateName("List") +
                             "<int Name=\"Orientation\" Value=\"3\"/><bool Name=\"Circular\" Value=\"false\"/>") +
                    extra);
}

CNodeFactory* listFactory() {
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    static_cast<void>(factory->registerNodeClass(CStringW(u"ListHitBox"), [](const CObjectName& name) -> BaseNode* {
        return new ListHitBox(name, nullptr, nullptr);
    }));
    return factory;
}

CRefHandle<BaseNode> readFile(const std::string& text, const char16_t* name) {
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), listFactory(), depth, CStringW(name));
    return reader.readDocument(CObjectName(nullptr, CStringW(name)), CStringW(name));
}

// The list events reaching the scene: (type, item), item -1 for event 67.
class ListRecorder : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override {
        if (const auto* item = dynamic_cast<CEventListItem*>(event))
            events.emplace_back(event->getType(), item->getItem());
        else if (const auto* changed = dynamic_cast<CEventValueChanged*>(event);
                 changed && changed->getSender()->isKindOf(ListNode::TypeId))
            events.emplace_back(event->getType(), -1);
        if (const auto* checked = dynamic_cast<CEventListItemChecked*>(event))
            lastChecked = checked->isChecked();
        return false;
    }

    std::vector<std::pair<int, int>> events;
    bool lastChecked = false;

protected:
    ~ListRecorder() override = default;
};

using Events = std::vector<std::pair<int, int>>;

// Events posted by one handler arrive in no promised order.
Events sorted(Events events) {
    std::sort(events.begin(), events.end());
    return events;
}

struct Screen {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> templates = readFile(templatesFile(), u"Templates.mscn");
    CRefHandle<BaseNode> sceneNode;
    SceneNode* scene = nullptr;
    CRefHandle<ListRecorder> recorder{new ListRecorder};

    explicit Screen(const std::string& columnProperties = "", const std::string& extra = "")
        : sceneNode(readFile(screenFile(columnProperties, extra), u"Screen.mscn")),
          scene(nodeCast<SceneNode>(sceneNode.get())) {
        manager->setEngine(engine.get());
        manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(templates.get()));
        EXPECT_TRUE(scene);
        if (!scene)
            return;
        scene->addPreHandler(recorder.get());
        EXPECT_TRUE(manager->setScene(scene));
        manager->updateAbsoluteTransformation();
        drain();
        recorder->events.clear();
    }
    ~Screen() {
        if (scene)
            scene->removePreHandler(recorder.get());
    }

    [[nodiscard]] ListNode* list(const char* name) const {
        return nodeCast<ListNode>(scene ? scene->findChild(CName(name), 1) : nullptr);
    }
    void drain() {
        for (int i = 0; i < 3; ++i) {
            static_cast<void>(manager->update(0));
            manager->getSceneSchedulerOf(scene)->update(100);
        }
        manager->updateAbsoluteTransformation();
    }
    template <class E> void send(int x, int y) {
        const CRefHandle<E> event(new E(x, y));
        static_cast<void>(manager->dispatch(CEventReceiver::HandleThenChildren, event.get()));
    }
    void click(int x, int y) {
        send<CEventMouseLeftDown>(x, y);
        send<CEventMouseLeftUp>(x, y);
        drain();
    }
    // Offers a key to the list directly, as its focused scene would.
    bool key(ListNode* list, int32_t code) {
        const CRefHandle<CEventKeyDown> event(new CEventKeyDown(0, code));
        const bool taken = list->handleEvent(event.get());
        drain();
        return taken;
    }
    // Fills `list` with items "0", "1" ...
    static void fill(ListNode* list, int count) {
        CArray<CStringW> strings;
        for (int i = 0; i < count; ++i) {
            const std::string digits = std::to_string(i);
            strings.push_back(CStringW(std::u16string(digits.begin(), digits.end()).c_str()));
        }
        list->setStrings(strings);
    }
};

// The texts of the visible elements, "-" for hidden ones.
std::string shown(const ListNode* list) {
    std::string out;
    for (int32_t i = 0; i < list->getElementsCount(); ++i) {
        if (i > 0)
            out += ' ';
        const BaseNode* element = list->getElement(i);
        const TextNode* text = nodeCast<TextNode>(element->findChild(CName("Text"), 1));
        std::string part = "-";
        if (element->isVisible() && text) {
            part.clear();
            for (const char16_t c : std::u16string(text->getText().c_str()))
                part += char(c);
        }
        out += part;
    }
    return out;
}

bool enabled(const BaseNode* node) {
    const ControlNode* control = nodeCast<ControlNode>(node);
    return control && control->isEnabled();
}

} // namespace

TEST(ListNode, ColumnLaysOutItsElementsWithTheSeparatorGap) {
    const struct {
        const char* what;
        std::string properties;
        std::vector<float> ys;
    } cases[] = {
        {"no separator", "", {0, 60, 120, 180, 240}},
        {"half a row after element 1",
         R"(<int Name="SeparationItemIndex" Value="1"/><float Name="SeparatorWidth" Value="0.5"/>)",
         {0, 60, 150, 210, 270}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Screen screen(c.properties);
        ListNode* column = screen.list("Column");
        ASSERT_TRUE(column);
        EXPECT_EQ(column->getColumns(), 1);
        EXPECT_EQ(column->getRows(), 5);
        ASSERT_EQ(column->getElementsCount(), 5);
        for (int32_t i = 0; i < 5; ++i) {
            const BaseNode* element = column->getElement(i);
            EXPECT_EQ(element->getName(), CName(("Element" + std::to_string(i)).c_str()));
            EXPECT_EQ(element->getPosition().y, c.ys[size_t(i)]);
            EXPECT_EQ(element->getPosition().x, 0.0f);
        }
        EXPECT_FALSE(column->getElementTemplate()->isVisible()) << "the model only serves for cloning";
    }
}

TEST(ListNode, TwelveItemsInFiveRowsClampTheTopAndEnableTheStepButtons) {
    Screen screen(R"(<bool Name="Circular" Value="false"/>)");
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    Screen::fill(column, 12);
    EXPECT_EQ(shown(column), "0 1 2 3 4");
    EXPECT_FALSE(enabled(column->getPrevButton()));
    EXPECT_TRUE(enabled(column->getNextButton()));

    column->scrollTo(100);
    EXPECT_EQ(column->getTopItem(), 7);
    EXPECT_EQ(shown(column), "7 8 9 10 11");
    EXPECT_TRUE(enabled(column->getPrevButton()));
    EXPECT_FALSE(enabled(column->getNextButton()));
    column->scrollTo(-3);
    EXPECT_EQ(column->getTopItem(), 0);

    // The next button steps by one row; at the end a click changes nothing.
    for (int i = 0; i < 7; ++i)
        screen.click(80, 10);
    EXPECT_EQ(column->getTopItem(), 7);
    screen.recorder->events.clear();
    screen.click(80, 10);
    EXPECT_EQ(column->getTopItem(), 7);
    EXPECT_TRUE(screen.recorder->events.empty());
    screen.click(50, 10);
    EXPECT_EQ(column->getTopItem(), 6);
    EXPECT_EQ(screen.recorder->events, (Events{{CEventValueChanged::TypeId, -1}}));
}

TEST(ListNode, CircularListMapsItemsAroundTheEnd) {
    Screen screen;
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    Screen::fill(column, 12);
    column->scrollTo(10);
    EXPECT_EQ(shown(column), "10 11 0 1 2");
    const struct {
        int32_t item;
        int32_t slot;
    } slots[] = {{10, 0}, {11, 1}, {0, 2}, {1, 3}, {2, 4}, {3, -1}, {9, -1}};
    for (const auto& s : slots)
        EXPECT_EQ(column->itemToSlot(s.item), s.slot) << "item " << s.item;
    const struct {
        int32_t index;
        int32_t wrapped;
    } wraps[] = {{-1, 11}, {-12, 0}, {12, 0}, {25, 1}, {5, 5}};
    for (const auto& w : wraps)
        EXPECT_EQ(column->wrapIndex(w.index), w.wrapped) << "index " << w.index;
    column->setSelectedItem(-12, true);
    EXPECT_EQ(column->getSelectedItem(), 0);

    // Fewer items than elements: no wrapping, the rest hidden, top forced to 0.
    Screen::fill(column, 3);
    column->scrollTo(2);
    EXPECT_EQ(column->getTopItem(), 0);
    EXPECT_EQ(shown(column), "0 1 2 - -");
}

TEST(ListNode, GridByRowsScrollsByLinesAndDrivesItsScrollBar) {
    Screen screen;
    ListNode* grid = screen.list("Grid");
    ASSERT_TRUE(grid);
    Screen::fill(grid, 10);
    EXPECT_EQ(grid->getColumns(), 4);
    EXPECT_EQ(grid->getRows(), 2);
    EXPECT_EQ(grid->itemsPerLine(), 4);
    EXPECT_EQ(grid->visibleLines(), 2);
    EXPECT_EQ(grid->totalLines(), 3);
    EXPECT_EQ(grid->clampTopItem(100), 4);
    EXPECT_EQ(grid->getElement(5)->getPosition().x, 100.0f);
    EXPECT_EQ(grid->getElement(5)->getPosition().y, 60.0f);

    SliderNode* bar = grid->getSlider();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->getMinValue(), 0.0f);
    EXPECT_EQ(bar->getMaxValue(), 3.0f);
    EXPECT_EQ(bar->getPageSize(), 2.0f);
    EXPECT_EQ(bar->getValue(), 0.0f);

    // Down moves the selection a line; the next button scrolls a line.
    EXPECT_TRUE(screen.key(grid, CEventKey::KeyDown));
    EXPECT_EQ(grid->getSelectedItem(), 4);
    EXPECT_TRUE(screen.key(grid, CEventKey::KeyRight));
    EXPECT_EQ(grid->getSelectedItem(), 5);
    screen.click(80, 410);
    EXPECT_EQ(grid->getTopItem(), 4);
    EXPECT_EQ(bar->getValue(), 1.0f);
    EXPECT_EQ(shown(grid), "4 5 6 7 8 9 - -");

    // Dragging the bar to its end asks for item 12, clamped to the last top.
    screen.click(15, 499);
    EXPECT_EQ(grid->getTopItem(), 4);
    EXPECT_EQ(bar->getValue(), 1.0f) << "the bar follows the clamped top";
    screen.click(15, 401);
    EXPECT_EQ(grid->getTopItem(), 0);
    EXPECT_EQ(bar->getValue(), 0.0f);
}

TEST(ListNode, DownAtTheEndOfANonCircularListIsLeftToFocusNavigation) {
    const struct {
        const char* what;
        std::string properties;
        int32_t from;
        bool taken;
        int32_t selected;
        int32_t top;
    } cases[] = {
        {"last item, not circular", R"(<bool Name="Circular" Value="false"/>)", 11, false, 11, 7},
        {"last item, circular", "", 11, true, 0, 11},
        {"last shown item scrolls it to the top", R"(<bool Name="Circular" Value="false"/>)", 4, true, 5, 5},
        {"item 9 is clamped to the last top", R"(<bool Name="Circular" Value="false"/>)", 8, true, 9, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Screen screen(c.properties);
        ListNode* column = screen.list("Column");
        ASSERT_TRUE(column);
        Screen::fill(column, 12);
        column->setSelectedItem(c.from, true);
        if (c.from == 8)
            column->scrollTo(0);
        screen.drain();
        screen.recorder->events.clear();
        EXPECT_EQ(screen.key(column, CEventKey::KeyDown), c.taken);
        EXPECT_EQ(column->getSelectedItem(), c.selected);
        EXPECT_EQ(column->getTopItem(), c.top);
        EXPECT_EQ(screen.recorder->events.empty(), !c.taken);
        if (c.taken) {
            EXPECT_EQ(screen.recorder->events.front(),
                      std::make_pair(int(CEventListSelectionChanged::TypeId), c.selected));
        }
        // Left has no step in a column: focus navigation decides.
        EXPECT_FALSE(screen.key(column, CEventKey::KeyLeft));
    }
}

TEST(ListNode, ClickingElementsSelectsAndChecksWithoutASelectionEvent) {
    Screen screen(R"(<bool Name="Circular" Value="false"/>)");
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    Screen::fill(column, 12);
    column->scrollTo(3);
    screen.drain();
    screen.recorder->events.clear();

    // The third element shows item 5.
    screen.click(130, 150);
    EXPECT_EQ(column->getSelectedItem(), 5);
    EXPECT_EQ(sorted(screen.recorder->events),
              (Events{{CEventValueChanged::TypeId, -1}, {CEventListItemClicked::TypeId, 5}}));

    // Clicking it again changes nothing but is still reported.
    screen.recorder->events.clear();
    screen.click(130, 150);
    EXPECT_EQ(screen.recorder->events, (Events{{CEventListItemClicked::TypeId, 5}}));

    // The check box of the first element (item 3).
    screen.recorder->events.clear();
    screen.click(190, 10);
    EXPECT_TRUE(column->isItemChecked(3));
    EXPECT_TRUE(screen.recorder->lastChecked);
    EXPECT_EQ(screen.recorder->events, (Events{{CEventListItemChecked::TypeId, 3}}));
    // Scrolling the item away and back shows its flag again.
    column->scrollTo(0);
    const CheckBoxNode* check = nodeCast<CheckBoxNode>(column->getElement(3)->findChild(CName("CheckBox"), 1));
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->isChecked());
    EXPECT_FALSE(nodeCast<CheckBoxNode>(column->getElement(2)->findChild(CName("CheckBox"), 1))->isChecked());
}

TEST(ListNode, AHiddenListTakesNoInputThroughItsParts) {
    Screen screen(R"(<bool Name="Circular" Value="false"/>)");
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    Screen::fill(column, 12);
    screen.drain();
    const int32_t selected = column->getSelectedItem();
    column->setVisible(false);
    screen.recorder->events.clear();
    const struct {
        const char* what;
        int x;
        int y;
    } parts[] = {
        {"an element", 130, 150}, {"its check box", 190, 10}, {"the next button", 80, 10}, {"the scroll bar", 15, 90}};
    for (const auto& part : parts) {
        SCOPED_TRACE(part.what);
        screen.click(part.x, part.y);
        EXPECT_TRUE(screen.recorder->events.empty());
        EXPECT_EQ(column->getSelectedItem(), selected);
        EXPECT_EQ(column->getTopItem(), 0);
        EXPECT_FALSE(column->isItemChecked(0));
    }
    // Shown again, the same click chooses.
    column->setVisible(true);
    screen.click(130, 150);
    EXPECT_EQ(column->getSelectedItem(), 2);
}

TEST(ListNode, ItemsKeepTheirTextsImagesAndFlagsAndToleratesAnyIndex) {
    Screen screen;
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    column->setItemsCount(-3);
    EXPECT_EQ(column->getItemsCount(), 0) << "a negative count counts as none";
    column->setItemsCount(2);
    EXPECT_EQ(column->getItemData(0), -1);
    EXPECT_TRUE(column->isItemEnabled(0));
    EXPECT_FALSE(column->isItemChecked(0));
    for (int32_t outside : {-1, 2, 1000}) {
        column->setItemData(outside, 7);
        column->setItemText(outside, 0, CStringW(u"x"));
        EXPECT_EQ(column->getItemData(outside), -1);
        EXPECT_FALSE(column->isItemEnabled(outside));
        EXPECT_EQ(column->getItemObject(outside), nullptr);
    }
    column->setItemText(0, -1, CStringW(u"x"));
    column->setItemText(1, 1, CStringW(u"second"));
    column->setItemEnabled(1, false);
    column->updateElements();
    EXPECT_EQ(shown(column), "  - - -") << "item 0 has no texts; item 1 only a second one";
    const BaseNode* row = column->getElement(1);
    EXPECT_TRUE(nodeCast<TextNode>(row->getChildren()[2])->getText() == CStringW(u"second"));
    EXPECT_FALSE(enabled(row));
    EXPECT_TRUE(nodeCast<ControlNode>(row)->getTemplateName() == CName("Row"))
        << "an item without a template name keeps the element's look";
    EXPECT_TRUE(nodeCast<ControlNode>(row)->getTemplateRoot()->findChild(CName("Face"), 1));

    // One reference per attached object, whatever the repeats.
    CRefHandle<CRefCounted> object(new CRefCounted);
    column->setItemObject(0, object.get());
    column->setItemObject(0, object.get());
    EXPECT_EQ(object->referenceCount(), 2);
    column->setItemsCount(0);
    EXPECT_EQ(object->referenceCount(), 1);

    for (int32_t orientation : {7, -1}) {
        column->setOrientation(orientation);
        EXPECT_EQ(column->getOrientation(), 0);
    }
}

TEST(ListNode, SelectionAndTopReadFromAFileBeforeTheGridExists) {
    const struct {
        const char* what;
        const char* circular;
        int32_t top;
    } cases[] = {
        {"not circular starts at the top", "false", 0},
        {"circular keeps the stored top", "true", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Screen screen(
            std::string("<bool Name=\"Circular\" Value=\"") + c.circular +
            R"("/><int Name="ItemsCount" Value="12"/><int Name="SelectedItem" Value="9"/><int Name="TopItem" Value="6"/>)");
        ListNode* column = screen.list("Column");
        ASSERT_TRUE(column);
        EXPECT_EQ(column->getItemsCount(), 12);
        EXPECT_EQ(column->getSelectedItem(), 9);
        EXPECT_EQ(column->getTopItem(), c.top);
        EXPECT_EQ(column->getElementsCount(), 5);
    }
}

TEST(ListNode, WritesItsItemsAndReadsThemBack) {
    Screen screen;
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    Screen::fill(column, 6);
    column->setSelectedItem(2, true);
    const CRefHandle<CPropertyBag> written = CPropertyBag::create();
    CPropertyBag& bag = *written;
    column->writeProperties(bag);
    EXPECT_EQ(bag.getInt("ItemsCount"), 6);
    EXPECT_EQ(bag.getInt("SelectedItem"), 2);
    EXPECT_LT(bag.indexOf("TopItem"), 0);
    EXPECT_LT(bag.indexOf("SeparationItemIndex"), 0);

    CRefHandle<ListNode> copy(new ListNode(CObjectName(), nullptr, nullptr));
    copy->readProperties(bag);
    EXPECT_EQ(copy->getItemsCount(), 6);
    EXPECT_TRUE(copy->getStrings()[5] == CStringW(u"5"));
    EXPECT_EQ(copy->getSelectedItem(), 2);

    // A clone has the items and one elements root of its own.
    CRefHandle<BaseNode> clone(column->clone(nullptr, nullptr));
    ListNode* cloned = nodeCast<ListNode>(clone.get());
    ASSERT_TRUE(cloned);
    EXPECT_EQ(cloned->getItemsCount(), 6);
    EXPECT_EQ(cloned->getChildren().size(), 1u);
    EXPECT_EQ(cloned->getElementsCount(), 5);
    EXPECT_EQ(shown(cloned), "0 1 2 3 4");
}

TEST(ListNode, HostileSizesFromAFileAreLimited) {
    LogCapture log;
    Screen screen(R"(<int Name="ItemsCount" Value="2147483647"/>)");
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    EXPECT_EQ(column->getItemsCount(), ListNode::MaxItemsFromFile);
    EXPECT_TRUE(log.contains("List item count too large"));

    const struct {
        const char* what;
        CVector3d bounds;
        int32_t elements;
    } cases[] = {
        {"huge", {1e30f, 1e30f, 0.0f}, ListNode::MaxElements},
        {"not a number", {std::nanf(""), 300.0f, 0.0f}, 0},
        {"negative", {-400.0f, -300.0f, 0.0f}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        column->setBounds(c.bounds);
        column->setOrientation(ListNode::GridByRows);
        EXPECT_EQ(column->getElementsCount(), c.elements);
        EXPECT_LE(column->getColumns() * column->getRows(), ListNode::MaxElements);
        column->scrollTo(1 << 30);
        column->setSelectedItem(-(1 << 30), true);
    }
}

TEST(ListNode, HoveringElementsReportsTheirItems) {
    Screen screen(R"(<bool Name="Circular" Value="false"/>)");
    ListNode* column = screen.list("Column");
    ASSERT_TRUE(column);
    Screen::fill(column, 12);
    // Entering the list focuses it, which brings the selection into view.
    column->scrollTo(3);
    column->setSelectedItem(4, false);
    screen.drain();
    screen.recorder->events.clear();

    screen.send<CEventMouseMove>(130, 90);
    screen.drain();
    EXPECT_EQ(screen.recorder->events, (Events{{CEventListItemHovered::TypeId, 4}}));
    screen.recorder->events.clear();
    screen.send<CEventMouseMove>(130, 150);
    screen.drain();
    EXPECT_EQ(sorted(screen.recorder->events),
              (Events{{CEventListItemHovered::TypeId, 5}, {CEventListItemUnhovered::TypeId, 4}}));
}
