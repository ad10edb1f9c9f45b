// Tab scenes read from a scene file inside a screen on a live scene manager:
// switches started by clicks on the tab buttons and by code, the states the
// pages play, the events the screen sees and the input held meanwhile.

#include "engine/nodes/TabSceneNode.h"

#include "engine/core/CEventMouseLeftDown.h"
#include "engine/core/CEventMouseLeftUp.h"
#include "engine/core/CUpdateScheduler.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/StandardNodes.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CNodeFactory.h"
#include "engine/scene/CNodeState.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CRenderItem.h"
#include "engine/scene/CSceneFileReader.h"
#include "engine/scene/SceneManager.h"
#include "engine/scene/SceneNode.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "tests/engine/scene/SceneTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string node(const char* type, const char* name, const std::string& properties, const std::string& inner = "") {
    return std::string("<SceneNode Type=\"") + type + "\"><Properties><string Name=\"Name\" Value=\"" + name + "\"/>" +
           properties + "</Properties>" + inner + "</SceneNode>\n";
}

// A state of `ms` milliseconds: a tint fade.
std::string timedState(const std::string& name, int ms) {
    return "<State Name=\"" + name + R"("><Animator Type="KeyFrame" Name="Fade" Period="10">
  <Properties><color Name="TintColor" Value="80ffffff"/></Properties>
  <KeyFrame t="0" Value0="80ffffff"/><KeyFrame t=")" +
           std::to_string(ms) + R"(" i="0" Value0="ffffffff"/></Animator></State>)";
}

// Every page's content plays each switch state in 100 ms.
std::string page(const char* name) {
    std::string states = timedState("Default", 100);
    for (const char* state : {"1To2", "2To1", "1To3", "3To1", "2To3", "3To2"})
        states += timedState(state, 100);
    return node("BaseNode", name, "", node("BaseNode", "Content", "", "<States>" + states + "</States>"));
}

std::string tabButton(const char* name, int x) {
    return node("ButtonNode", name,
                "<vector3d Name=\"Position\" Value=\"" + std::to_string(x) +
                    ";0;0\"/><string Name=\"TemplateName\" Value=\"Face\"/>");
}

std::string templatesFile() {
    return "<?xml version=\"1.0\"?>\n" +
           node("TemplateCollectionNode", "Templates", "",
                node("BaseNode", "Face", "", node("TextNode", "Text", R"(<vector3d Name="Bounds" Value="80;20;0"/>)")));
}

// Three tabs whose children come in a mixed order; `extra` adds properties.
std::string screenFile(const std::string& extra, bool thirdPage = true) {
    const std::string tabs = "<int Name=\"TabsCount\" Value=\"3\"/>" + extra;
    return "<?xml version=\"1.0\"?>\n" +
           node("SceneNode", "Screen", R"(<vector3d Name="Bounds" Value="640;480;0"/>)",
                node("TabSceneNode", "Tabs", tabs,
                     page("Tab1") + tabButton("Tab1Button", 0) + page("Tab2") + tabButton("Tab2Button", 100) +
                         (thirdPage ? page("Tab3") : std::string()) + tabButton("Tab3Button", 200) +
                         node("BaseNode", "Frame", "")));
}

CRefHandle<BaseNode> readFile(const std::string& text, const char16_t* name) {
    CNodeFactory* factory = CNodeFactory::getShared();
    registerStandardNodes(*factory);
    CRefHandle<CXmlStreamReader> xml(new CXmlStreamReader(text.data(), text.size()));
    uint32_t depth = 0;
    CSceneFileReader reader(xml.get(), factory, depth, CStringW(name));
    return reader.readDocument(CObjectName(nullptr, CStringW(name)), CStringW(name));
}

// The tab events the screen receives, with their pages.
class TabRecorder : public CEventReceiver {
public:
    struct Seen {
        int type;
        BaseNode* oldPage;
        BaseNode* newPage;
    };
    bool handleEvent(CEvent* event) override {
        if (const auto* tab = dynamic_cast<CEventTabPageChange*>(event))
            seen.push_back({event->getType(), tab->getOldPage(), tab->getNewPage()});
        else if (const auto* clicked = dynamic_cast<CEventClicked*>(event))
            clicks.push_back(clicked->getControl());
        return false;
    }
    [[nodiscard]] int count(int type) const {
        int n = 0;
        for (const Seen& s : seen)
            n += s.type == type ? 1 : 0;
        return n;
    }
    std::vector<Seen> seen;
    std::vector<BaseNode*> clicks;

protected:
    ~TabRecorder() override = default;
};

struct Screen {
    CRefHandle<CEngine> engine = makeFakeEngine();
    CRefHandle<SceneManager> manager{new SceneManager(CObjectName(), nullptr, nullptr)};
    CRefHandle<BaseNode> templates = readFile(templatesFile(), u"Templates.mscn");
    CRefHandle<BaseNode> sceneNode;
    SceneNode* scene = nullptr;
    TabSceneNode* tabs = nullptr;
    CRefHandle<TabRecorder> recorder{new TabRecorder};

    explicit Screen(const std::string& extra, bool thirdPage = true)
        : sceneNode(readFile(screenFile(extra, thirdPage), u"Screen.mscn")) {
        scene = nodeCast<SceneNode>(sceneNode.get());
        EXPECT_TRUE(scene);
        if (!scene)
            return;
        tabs = nodeCast<TabSceneNode>(scene->findChild(CName("Tabs"), 1));
        EXPECT_TRUE(tabs);
        manager->setEngine(engine.get());
        manager->setTemplateCollection(nodeCast<TemplateCollectionNode>(templates.get()));
        scene->addPreHandler(recorder.get());
        EXPECT_TRUE(manager->setScene(scene));
        drain();
        manager->updateAbsoluteTransformation();
    }
    ~Screen() {
        if (scene)
            scene->removePreHandler(recorder.get());
    }

    BaseNode* child(const char* name) const { return tabs->findChild(CName(name), 1); }
    void drain() { static_cast<void>(manager->update(0)); }
    void run(uint32_t ms) {
        manager->getSceneSchedulerOf(scene)->update(ms);
        drain();
    }
    void click(int x, int y) {
        for (CEvent* event :
             {static_cast<CEvent*>(new CEventMouseLeftDown(x, y)), static_cast<CEvent*>(new CEventMouseLeftUp(x, y))}) {
            static_cast<void>(manager->dispatch(CEventReceiver::HandleThenChildren, event));
            event->release();
        }
        drain();
    }
};

CName stateOf(const BaseNode* page) {
    const BaseNode* content = page ? page->findChild(CName("Content"), 1) : nullptr;
    const CNodeState* state = content ? content->getCurrentState() : nullptr;
    return state ? state->getName() : CName();
}

} // namespace

TEST(TabSceneNode, AttachingShowsTheActiveTabWithTheDefaultState) {
    Screen s(R"(<int Name="ActiveTabIndex" Value="0"/>)");
    ASSERT_TRUE(s.tabs);
    EXPECT_EQ(s.tabs->getActiveTab(), 0);
    for (const char* name : {"Tab1", "Tab2", "Tab3"})
        EXPECT_EQ(stateOf(s.child(name)), CName("Default")) << name;
    EXPECT_TRUE(s.child("Tab1")->isVisible());
    EXPECT_FALSE(s.child("Tab2")->isVisible());
    EXPECT_FALSE(s.child("Tab3")->isVisible());
    EXPECT_TRUE(s.tabs->isSwitching());
    EXPECT_EQ(s.recorder->count(CEventTabChanged::TypeId), 1) << "no outgoing page";

    s.run(100);
    EXPECT_FALSE(s.tabs->isSwitching());
    ASSERT_EQ(s.recorder->count(CEventTabChangeFinished::TypeId), 1);
    EXPECT_EQ(s.recorder->seen.back().oldPage, nullptr);
    EXPECT_EQ(s.recorder->seen.back().newPage, s.child("Tab1"));
}

TEST(TabSceneNode, ClickingATabButtonPlaysTheSwitchAndHoldsInputMeanwhile) {
    Screen s(R"(<int Name="ActiveTabIndex" Value="0"/>)");
    ASSERT_TRUE(s.tabs);
    s.run(100);
    s.recorder->seen.clear();

    s.click(110, 10); // Tab2Button
    s.run(0);
    ASSERT_EQ(s.tabs->getActiveTab(), 1);
    EXPECT_EQ(stateOf(s.child("Tab1")), CName("1To2"));
    EXPECT_EQ(stateOf(s.child("Tab2")), CName("1To2"));
    EXPECT_TRUE(s.child("Tab1")->isVisible()) << "until it finished the switch";
    EXPECT_TRUE(s.child("Tab2")->isVisible());
    EXPECT_EQ(s.recorder->count(CEventTabChanged::TypeId), 2) << "one per page";

    // A click during the switch does not reach the buttons.
    s.click(210, 10);
    s.run(0);
    for (const BaseNode* clicked : s.recorder->clicks)
        EXPECT_NE(clicked, s.child("Tab3Button"));
    EXPECT_EQ(s.tabs->getActiveTab(), 1);

    s.run(100);
    EXPECT_FALSE(s.tabs->isSwitching());
    EXPECT_FALSE(s.child("Tab1")->isVisible());
    EXPECT_TRUE(s.child("Tab2")->isVisible());
    EXPECT_EQ(s.recorder->count(CEventTabChangeFinished::TypeId), 2) << "from both pages";

    // The active tab's button switches nothing; another one does.
    s.recorder->seen.clear();
    s.click(110, 10);
    s.run(100);
    EXPECT_TRUE(s.recorder->seen.empty());
    s.click(210, 10);
    s.run(0);
    EXPECT_EQ(s.tabs->getActiveTab(), 2);
    EXPECT_EQ(stateOf(s.child("Tab3")), CName("2To3"));
}

TEST(TabSceneNode, ASwitchDuringASwitchStartsOverAndHidesTheInterruptedPage) {
    Screen s(R"(<int Name="ActiveTabIndex" Value="0"/>)");
    ASSERT_TRUE(s.tabs);
    s.run(100);
    s.recorder->seen.clear();

    s.tabs->setActiveTab(1, false);
    s.run(50);
    s.tabs->setActiveTab(2, false);
    EXPECT_EQ(stateOf(s.child("Tab3")), CName("2To3"));
    EXPECT_FALSE(s.child("Tab1")->isVisible()) << "interrupted on its way out";
    s.run(60);
    EXPECT_TRUE(s.tabs->isSwitching()) << "the first switch's end does not count";
    s.run(50);
    EXPECT_FALSE(s.tabs->isSwitching());
    EXPECT_FALSE(s.child("Tab2")->isVisible());
    EXPECT_TRUE(s.child("Tab3")->isVisible());
    ASSERT_EQ(s.recorder->count(CEventTabChangeFinished::TypeId), 2);
    EXPECT_EQ(s.recorder->seen.back().oldPage, s.child("Tab2"));
    EXPECT_EQ(s.recorder->seen.back().newPage, s.child("Tab3"));
}

TEST(TabSceneNode, HiddenActiveButtonComesBackWhenAnotherTabIsChosen) {
    Screen s(R"(<int Name="ActiveTabIndex" Value="1"/><bool Name="HideTabButtonOnSelect" Value="true"/>)");
    ASSERT_TRUE(s.tabs);
    EXPECT_TRUE(s.child("Tab1Button")->isVisible());
    EXPECT_FALSE(s.child("Tab2Button")->isVisible());
    EXPECT_TRUE(s.child("Tab3Button")->isVisible());
    s.run(100);
    s.click(10, 10);
    EXPECT_EQ(s.tabs->getActiveTab(), 0);
    EXPECT_FALSE(s.child("Tab1Button")->isVisible());
    EXPECT_TRUE(s.child("Tab2Button")->isVisible());
}

TEST(TabSceneNode, MissingPagesAreRefusedAndEmptyPagesFinishAtOnce) {
    // Without "Tab3" a switch to it would never end: it is refused.
    Screen s(R"(<int Name="ActiveTabIndex" Value="0"/>)", false);
    ASSERT_TRUE(s.tabs);
    s.run(100);
    s.click(210, 10);
    s.run(0);
    EXPECT_EQ(s.tabs->getActiveTab(), 0);
    EXPECT_FALSE(s.tabs->isSwitching());

    // Pages without children are done as soon as the state is applied.
    CRefHandle<TabSceneNode> bare(new TabSceneNode(CObjectName(), nullptr, nullptr));
    for (const char* name : {"Tab1", "Tab2"}) {
        CRefHandle<BaseNode> empty(new BaseNode(CObjectName(), nullptr, nullptr));
        empty->setName(CName(name));
        bare->addChild(empty.get());
    }
    bare->setTabsCount(2);
    bare->onLoaded();
    bare->setActiveTab(0, false);
    EXPECT_FALSE(bare->isSwitching());
    bare->setActiveTab(1, false);
    EXPECT_FALSE(bare->isSwitching());
    EXPECT_FALSE(bare->getPage(0)->isVisible());
    EXPECT_TRUE(bare->getPage(1)->isVisible());
}

TEST(TabSceneNode, ActivePageAndButtonDrawAfterTheOthers) {
    Screen s(R"(<int Name="ActiveTabIndex" Value="0"/>)");
    ASSERT_TRUE(s.tabs);
    s.run(100);
    // Pages that clip their children register as one item each.
    for (const char* name : {"Tab1", "Tab2", "Tab3"}) {
        s.child(name)->setVisible(true);
        s.child(name)->setChildrenClipped(true);
    }
    const auto order = [&] {
        CArray<CRenderItem> items;
        s.tabs->registerForRendering(items);
        std::vector<CName> names;
        for (const CRenderItem& item : items)
            names.push_back(item.node->getName());
        return names;
    };
    EXPECT_EQ(order(), (std::vector<CName>{CName("Tab2"), CName("Tab3"), CName("Tab1")}));
    s.tabs->setActiveTab(1, false);
    EXPECT_EQ(order(), (std::vector<CName>{CName("Tab1"), CName("Tab3"), CName("Tab2")}));
}

TEST(TabSceneNode, AFileAskingForMillionsOfTabsIsLimited) {
    LogCapture log;
    CRefHandle<BaseNode> read = readFile(R"(<SceneNode Type="TabSceneNode"><Properties>)"
                                         R"(<int Name="TabsCount" Value="10000000"/></Properties></SceneNode>)",
                                         u"Tabs.mscn");
    auto* tabs = nodeCast<TabSceneNode>(read.get());
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->getTabsCount(), TabSceneNode::MaxTabsFromFile);
    EXPECT_EQ(tabs->getPage(0), nullptr);
    EXPECT_EQ(log.count("Tab count too large, limited"), 1u);
    // A count within the limit is kept as written.
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    bag->setInt("TabsCount", TabSceneNode::MaxTabsFromFile);
    tabs->readProperties(*bag);
    EXPECT_EQ(tabs->getTabsCount(), TabSceneNode::MaxTabsFromFile);
    EXPECT_EQ(log.count("Tab count too large, limited"), 1u);
}

TEST(TabSceneNode, PropertiesWrittenAndReadBack) {
    Screen s(R"(<int Name="ActiveTabIndex" Value="2"/><bool Name="HideTabButtonOnSelect" Value="true"/>)");
    ASSERT_TRUE(s.tabs);
    CRefHandle<CPropertyBag> bag(new CPropertyBag);
    s.tabs->writeProperties(*bag);
    EXPECT_EQ(bag->getInt("TabsCount"), 3);
    EXPECT_EQ(bag->getInt("ActiveTabIndex"), 2);
    EXPECT_TRUE(bag->getBool("HideTabButtonOnSelect"));

    CRefHandle<BaseNode> copy(s.tabs->clone(nullptr, nullptr));
    auto* tabs = nodeCast<TabSceneNode>(copy.get());
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->getTabsCount(), 3);
    ASSERT_TRUE(tabs->getPage(2));
    EXPECT_EQ(tabs->getPage(2)->getName(), CName("Tab3"));
    EXPECT_NE(tabs->getPage(2), s.tabs->getPage(2));
}
