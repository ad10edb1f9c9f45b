// The play screen's build lists, building-group page and building page.

#include "engine/core/CString.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/ListNode.h"
#include "engine/nodes/ProgressBarNode.h"
#include "engine/nodes/TabSceneNode.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventTemplatesChanged.h"
#include "engine/scene/SceneManager.h"
#include "game/config/GActiveFeature.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GNumberText.h"
#include "game/config/GUniqUpgradeConfig.h"
#include "game/config/GlobalConfig.h"
#include "game/config/LevelConfiguration.h"
#include "game/config/ObjectsConfiguration.h"
#include "game/config/TabsConfiguration.h"
#include "game/nodes/GBuildingInfoNode.h"
#include "game/nodes/GLockButton.h"
#include "game/play/GGamePlayScene.h"
#include "game/play/GGamePlaySceneHelpers.h"
#include "game/world/GBuildingNode.h"

using namespace playscene;

namespace {

struct BuildGroup {
    const char* type;
    const char* button;
    const char* hint;
    const char* tip;
    const char* groupHint;
};

constexpr BuildGroup kGroups[4] = {
    {"Apartment", "ApartmentButton", "%Hint_BuildTab_Apartment%", "%Hint_BuildTab_ApartmentTip%",
     "%Hint_BuildingPlaceApartments%"},
    {"Commercial", "CommercialButton", "%Hint_BuildTab_Commercial%", "%Hint_BuildTab_CommercialTip%",
     "%Hint_BuildingPlaceCommercial%"},
    {"Service", "ServiceButton", "%Hint_BuildTab_Service%", "%Hint_BuildTab_ServiceTip%",
     "%Hint_BuildingPlaceService%"},
    {"Municipal", "MunicipalButton", "%Hint_BuildTab_Municipal%", "%Hint_BuildTab_MunicipalTip%",
     "%Hint_BuildingPlaceMunicipal%"},
};

const GBuildingConfig* configOf(const ListNode* list, int32_t item) {
    return dynamic_cast<const GBuildingConfig*>(list->getItemObject(item));
}

GameHudButtonData* hudData(const BaseNode* node) { return dynamic_cast<GameHudButtonData*>(node->getUserData()); }

GameHudButtonData* ensureHudData(BaseNode* node) {
    if (GameHudButtonData* data = hudData(node))
        return data;
    CRefHandle<GameHudButtonData> data(new GameHudButtonData);
    node->setUserData(data.get());
    return data.get();
}

void setTextOf(TextNode* text, const CStringW& value) {
    if (text)
        text->setText(value);
}

CStringW translated(const CString& key) {
    CDictionary* dict = dictionary();
    return dict ? dict->get(key) : CStringW();
}

const CStringW& descriptionOf(const GBuildingConfig* type) {
    return type->FullDescription.empty() ? type->Description : type->FullDescription;
}

// The overlap warning for the shops that compete for customers, else the
// type's own text.
CStringW overlapText(const GBuildingConfig* type) {
    if (type->Name == CName("Saloon1"))
        return CStringW(u"%WarningArea_Saloon%");
    if (type->Name == CName("Grocery1"))
        return CStringW(u"%WarningArea_Grocery%");
    return descriptionOf(type);
}

bool hasTemplate(const ControlNode* control, const char* name) {
    return control && control->getTemplateName() == CName(name);
}

bool isBusy(const GBuildingNode* building) {
    const int kind = building->getTaskKind();
    return kind != GBuildingNode::TaskNone && kind != GBuildingNode::TaskActiveFeature;
}

} // namespace

// ---------------------------------------------------------------------------
// Build lists

void GGamePlayScene::fillBuildLists() {
    ObjectsConfiguration* objects = objectsConfiguration();
    if (!m_level || !m_apartmentPage || !m_apartmentList || !m_commercialList || !m_serviceList || !m_municipalList ||
        !m_buildGroupPage || !m_tabsConfiguration || !levelConfiguration() || !objects)
        return;
    const int level = levelNumber();
    for (CName tabType : m_tabsConfiguration->getTabOrder()) {
        int group = -1;
        for (int g = 0; g < 4; ++g)
            if (tabType == CName(kGroups[g].type))
                group = g;
        const CArray<CName>* names = m_tabsConfiguration->find(tabType);
        ListNode* list = getBuildList(group);
        if (group < 0 || !names || !list)
            continue;
        ButtonNode* button = childAs<ButtonNode>(m_buildGroupPage, kGroups[group].button);
        const int count = int(names->size());
        list->setItemsCount(count);
        bool allLocked = true;
        for (int i = 0; i < BuildListMaxItems && i < count; ++i) {
            GBuildingConfig* type = objects->findBuilding((*names)[uint32_t(i)]);
            if (!type)
                continue;
            list->setItemData(i, type->ButtonTemplate.id());
            auto* element = as<GLockButton>(list->getElement(i));
            if (level >= type->AllowedFromLevel && isBuildingAllowedInLevel(type->Name)) {
                list->setItemObject(i, type);
                list->setItemEnabled(i, true);
                allLocked = false;
                if (element)
                    element->setLocked(false);
            } else {
                list->setItemObject(i, nullptr);
                list->setItemEnabled(i, false);
                if (element)
                    element->setLocked(true);
            }
        }
        if (button) {
            button->setEnabled(!allLocked);
            if (auto* lock = as<GLockButton>(button))
                lock->setLocked(allLocked);
        }
        list->updateElements();
    }
    updateBuildingTabHint(nullptr);
}

void GGamePlayScene::updateBuildListStates(int group) {
    GBuildingNode* place = focusedBuilding();
    ListNode* list = getBuildList(group);
    if (!levelConfiguration() || !place || !list)
        return;
    for (int32_t i = 0; i < list->getItemsCount(); ++i) {
        const GBuildingConfig* type = configOf(list, i);
        if (!type)
            continue;
        const bool licence = place->isRequiredServiceProvided(place->getPlaceNumber(), type);
        list->setItemEnabled(i, m_level->canBuild(place, type) && licence);
        if (auto* element = as<GLockButton>(list->getElement(i))) {
            element->setNoLicense(!licence);
            markBuildingSeen(element, type->Name);
        }
    }
    list->updateElements();
}

void GGamePlayScene::updateBuildGroupPage() {
    GBuildingNode* place = focusedBuilding();
    if (!m_level || !m_buildGroupPage || !levelConfiguration() || !place || !place->getType())
        return;
    for (int g = 0; g < 4; ++g)
        markNewBuildings(childAs<ButtonNode>(m_buildGroupPage, kGroups[g].button), getBuildList(g));
    fillBuildingInfo(child(m_buildGroupPage, "BuildingInfoNode"), place->getType(), place, nullptr);
}

void GGamePlayScene::markNewBuildings(BaseNode* groupButton, ListNode* list) {
    if (!groupButton || !list)
        return;
    for (int32_t i = 0; i < list->getItemsCount(); ++i) {
        const GBuildingConfig* type = configOf(list, i);
        if (!type || !isBuildingNew(type->Name))
            continue;
        GameHudButtonData* data = ensureHudData(groupButton);
        if (data->firstShow)
            return;
        data->firstShow = true;
        groupButton->applyStateRecursive(CName("FirstShow"), nullptr);
        return;
    }
    groupButton->applyStateRecursive(CName("Hidden"), nullptr);
}

void GGamePlayScene::markBuildingSeen(BaseNode* element, CName building) {
    if (!element)
        return;
    if (building.id() != -1) {
        if (isBuildingNew(building)) {
            GameHudButtonData* data = ensureHudData(element);
            if (data->firstShow)
                return;
            data->buildingName = building;
            data->firstShow = true;
            element->applyStateRecursive(CName("FirstShow"), nullptr);
        } else {
            const GameHudButtonData* data = hudData(element);
            if (!data || !data->hiddenDone)
                element->applyStateRecursive(CName("Hidden"), nullptr);
        }
        return;
    }
    GameHudButtonData* data = hudData(element);
    if (!data || data->buildingName.id() == -1 || !isBuildingNew(data->buildingName))
        return;
    markBuildingAllowed(data->buildingName);
    element->applyStateRecursive(CName("Hide"), nullptr);
    data->hiddenDone = true;
}

void GGamePlayScene::updateBuildPageHint(int group, BaseNode* page, const GBuildingConfig* hovered,
                                         GBuildingNode* place) {
    TextNode* sign = childAs<TextNode>(child(page, "SignBoard"), "SignBoardText");
    TextNode* hint = childAs<TextNode>(page, "HintText");
    TextNode* label = childAs<TextNode>(page, "LabelText");
    BaseNode* info = child(page, "BuildingInfoNode");
    if (label)
        label->setVisible(true);
    if (info)
        info->setVisible(false);
    CDictionary* dict = dictionary();
    if (!dict || !sign || !hint || !label || !info)
        return;
    if (place && hovered) {
        label->setVisible(false);
        info->setVisible(true);
        fillBuildingInfo(info, hovered, place, nullptr);
        const CStringW none;
        hint->setText(dict->format(CString("Hint_BuildTabBuild"), dict->get(hovered->DisplayName), none, none, none));
    } else if (place) {
        hint->setText(CStringW(u"%Hint_BuildTabBack%"));
    } else if (group >= 0 && group < 4) {
        hint->setText(CStringW(kGroups[group].hint));
        sign->setText(CStringW(kGroups[group].hint));
        label->setText(CStringW(kGroups[group].tip));
    }
}

void GGamePlayScene::updateBuildGroupHint(BaseNode* button) {
    TextNode* hint = childAs<TextNode>(m_buildGroupPage, "HintText");
    if (!dictionary() || !hint)
        return;
    if (!button) {
        hint->setText(CStringW(u"%Hint_BuildingPlace%"));
        return;
    }
    for (const BuildGroup& group : kGroups)
        if (isNamed(button, group.button))
            hint->setText(CStringW(group.groupHint));
}

void GGamePlayScene::setSignBoardText(const CStringW& text) {
    if (!m_actionsTabs || m_actionsTabs->getActiveTab() == -1)
        return;
    BaseNode* page = m_actionsTabs->getPage(m_actionsTabs->getActiveTab());
    setTextOf(childAs<TextNode>(child(page, "SignBoard"), "SignBoardText"), text);
}

// ---------------------------------------------------------------------------
// Building page

void GGamePlayScene::updateBuildingPage() {
    GBuildingNode* building = focusedBuilding();
    if (!m_level || !m_buildingPage || !m_progressNode || !levelConfiguration() || !building)
        return;
    auto* hotel = childAs<ControlNode>(m_buildingPage, "HotelButtonsNode");
    auto* joy = childAs<ControlNode>(m_buildingPage, "JoyButtonsNode");
    auto* custom = childAs<ControlNode>(m_buildingPage, "CustomServiceButtonsNode");
    setShownAndEnabled(hotel, false);
    setShownAndEnabled(joy, false);
    setShownAndEnabled(custom, false);
    setShownAndEnabled(m_progressNode, false);

    const GBuildingConfig* type = building->getType();
    // A task's title and hint line take the page's own hint line's place.
    if (m_buildingHintText)
        m_buildingHintText->setVisible(!isBusy(building));
    if (isBusy(building)) {
        const int kind = building->getTaskKind();
        if (auto* abort = childAs<ControlNode>(m_progressNode, "AbortButton"))
            abort->setVisible(kind != GBuildingNode::TaskProduce);
        if (auto* bar = childAs<BaseProgressBarNode>(m_progressNode, "ProgressBar")) {
            if (SceneManager* manager = bar->getSceneManager()) {
                CRefHandle<CEventTemplatesChanged> changed(
                    new CEventTemplatesChanged(manager->getTemplateCollection()));
                (void)bar->handleEvent(changed.get());
            }
            bar->setMaxValue(1.0f);
            bar->setValue(building->getTaskProgress());
        }
        CStringW title;
        CStringW hint;
        getTaskTexts(building, title, hint);
        setTextOf(childAs<TextNode>(m_progressNode, "Text"), title);
        setTextOf(m_progressHintText, hint);
        setShownAndEnabled(m_progressNode, true);
    } else if (type) {
        const GBuildingType kind = type->Kind;
        const int damage = building->getDamageState();
        if ((kind == GBuildingType::Apartment && damage <= GBuildingNode::DamageBroken) ||
            kind == GBuildingType::Produce) {
            if (hotel) {
                updateHotelButtons(building, hotel);
                setShownAndEnabled(hotel, true);
            }
        } else if (kind == GBuildingType::Uniq) {
            if (custom) {
                updateCustomServiceButtons(building, custom);
                setShownAndEnabled(custom, true);
            }
        } else if (kind != GBuildingType::Apartment && joy) {
            updateJoyButtons(building, joy);
            setShownAndEnabled(joy, true);
        }
    }
    if (!m_upgradeHoverShown)
        fillBuildingInfo(child(m_buildingPage, "BuildingInfoNode"), m_hoveredUpgrade ? m_hoveredUpgrade : type,
                         building, nullptr);
}

void GGamePlayScene::getTaskTexts(GBuildingNode* building, CStringW& title, CStringW& hint) const {
    // The title's key; the hint's is the same with "Hint" after it.
    const char* key = nullptr;
    switch (building->getTaskKind()) {
    case GBuildingNode::TaskBuild:
        key = building->getType() && building->getType()->Level >= 2 ? "InProgress_Upgrade" : "InProgress_Building";
        break;
    case GBuildingNode::TaskProduce:
        key = "InProgress_Producing";
        break;
    case GBuildingNode::TaskDestroy:
        key = "InProgress_Destroy";
        break;
    case GBuildingNode::TaskRepair:
        key = "InProgress_Repare";
        break;
    case GBuildingNode::TaskUniqueUpgrade:
        key = "InProgress_Upgrade";
        break;
    default:
        return;
    }
    if (!dictionary())
        return;
    title = translated(key);
    hint = translated(CString(key) + "Hint");
}

void GGamePlayScene::updateHotelButtons(GBuildingNode* building, ControlNode* container) {
    if (!building || !container || !m_level || !building->getType())
        return;
    const GBuildingConfig* type = building->getType();
    if (auto* destroy = childAs<ControlNode>(container, "DestroyButton")) {
        destroy->setVisible(type->Level > 0);
        destroy->setEnabled(canDestroy(building));
    }
    if (building->getDamageState() == GBuildingNode::DamageBroken) {
        if (auto* repair = childAs<ControlNode>(container, "RepairButton"))
            repair->setEnabled(m_level->canRepair(building, type));
        container->applyStateRecursive(CName("Broken"), nullptr);
        return;
    }
    container->applyStateRecursive(CName("Repaired"), nullptr);
    const int level = levelNumber();
    ObjectsConfiguration* objects = objectsConfiguration();

    auto* upgrade = childAs<GLockButton>(container, "UpgradeButton");
    if (upgrade) {
        if (type->Level == 4) {
            upgrade->setEnabled(false);
            upgrade->setUpgraded(true);
        } else if (!type->Upgrades.empty()) {
            upgrade->setUpgraded(false);
            const GBuildingConfig* next = objects ? objects->findBuilding(type->Upgrades[0]) : nullptr;
            if (next) {
                if (type->Level > 0) {
                    upgrade->setEnabled(next->AllowedFromLevel <= level &&
                                        building->getDamageState() == GBuildingNode::DamageNone &&
                                        m_level->canBuild(building, next));
                    upgrade->setVisible(true);
                } else {
                    upgrade->setVisible(false);
                }
            }
        }
    }

    const GUniqUpgradeConfig* up1 = objects ? objects->findUniqUpgrade(CName("Up1"), type->Name) : nullptr;
    const GUniqUpgradeConfig* up2 = objects ? objects->findUniqUpgrade(CName("Up2"), type->Name) : nullptr;
    // Each upgrade's state is its own, also when only one is configured.
    const bool has1 = up1 && building->hasUniqueUpgrade(up1->Name);
    const bool has2 = up2 && building->hasUniqueUpgrade(up2->Name);
    const GlobalConfig* global = globalConfig();
    auto updateUnique = [&](const char* name, int fromLevel, const GUniqUpgradeConfig* up, bool has) {
        auto* button = childAs<GLockButton>(container, name);
        if (!button)
            return button;
        button->setVisible(level >= fromLevel);
        if (up) {
            button->setEnabled(up->AllowedFromLevel <= level && !has1 && !has2 && canStartUniqueUpgrade(building, up));
            button->setUpgraded(has);
        } else {
            button->setEnabled(false);
        }
        return button;
    };
    GLockButton* unique1 = updateUnique("UniqUp1Button", global->AllowUniqUpGuestsFromLevel, up1, has1);
    GLockButton* unique2 = updateUnique("UniqUp2Button", global->AllowUniqUpIncomeFromLevel, up2, has2);

    const bool upgradeShown = upgrade && upgrade->isVisible();
    const bool shown1 = unique1 && unique1->isVisible();
    const bool shown2 = unique2 && unique2->isVisible();
    const char* state = "Repaired";
    if (upgradeShown && !shown1 && !shown2)
        state = "Upgrade";
    else if (!upgradeShown && shown1 && shown2)
        state = "UpgradeUniq1Uniq2";
    else if (!upgradeShown && shown1)
        state = "UpgradeUniq1";
    else if (!upgradeShown && shown2)
        state = "UpgradeUniq2";
    container->applyStateRecursive(CName(state), nullptr);
}

void GGamePlayScene::updateJoyButtons(GBuildingNode* building, ControlNode* container) {
    if (!building || !container || !building->getType())
        return;
    if (auto* destroy = childAs<ButtonNode>(container, "DestroyButton")) {
        destroy->setVisible(building->getType()->Level > 0);
        destroy->setEnabled(canDestroy(building));
    }
}

void GGamePlayScene::updateCustomServiceButtons(GBuildingNode* building, ControlNode* container) {
    if (!building || !container || !m_level)
        return;
    if (auto* serve = childAs<ControlNode>(container, "CustomServeButton")) {
        const bool restore = building->getDamageState() == GBuildingNode::DamageRestore;
        serve->setVisible(restore);
        if (restore)
            serve->setEnabled(m_level->canBuild(building, building->getType()));
    }
}

void GGamePlayScene::updateBuildingTabHint(ControlNode* hovered) {
    GBuildingNode* building = focusedBuilding();
    if (!m_buildingHintText || !dictionary() || !building)
        return;
    const GBuildingConfig* type = building->getType();
    BaseNode* info = child(m_buildingPage, "BuildingInfoNode");
    if (building->getTaskKind() != GBuildingNode::TaskNone) {
        CStringW title;
        CStringW hint;
        getTaskTexts(building, title, hint);
        m_buildingHintText->setText(hint);
    } else if (hovered) {
        const bool enabled = hovered->isEnabled();
        const char* text = nullptr;
        if (isNamed(hovered, "UniqUpgradeButton")) {
            if (hasTemplate(hovered, "Game_UniqUpgradeButton"))
                text = enabled ? "%Hint_BuildingTabUniqUpgrade%" : "%Hint_BuildingTabCantUniqUpgrade%";
            else if (hasTemplate(hovered, "Game_UpgradeButtonMarker"))
                text = "%Hint_BuildingTabUniqUpgradeDontBought%";
            else
                text = "%Hint_BuildingTabUniqUpgradeAlreadyApplied%";
        } else if (isNamed(hovered, "UpgradeButton")) {
            const ObjectsConfiguration* objects = objectsConfiguration();
            if (type && !type->Upgrades.empty() && objects && objects->findBuilding(type->Upgrades[0]))
                text = enabled ? "%Hint_BuildingTabUpgrade%" : "%Hint_BuildingTabCantUpgrade%";
            else
                text = "%Hint_BuildingTabNoUpgrade%";
        } else if (isNamed(hovered, "RepairButton")) {
            if (building->getDamageState() == GBuildingNode::DamageBroken)
                text = enabled ? "%Hint_BuildingTabRepare%" : "%Hint_BuildingTabCantRepare%";
            else
                text = "%Hint_BuildingTabNoRepare%";
        } else if (isNamed(hovered, "DestroyButton")) {
            text = enabled ? "%Hint_BuildingTabDestroy%" : "%Hint_BuildingTabCantDestroy%";
        } else if ((isNamed(hovered, "Upgrade2Button") || isNamed(hovered, "Upgrade3Button")) &&
                   hasTemplate(hovered, "Game_UpgradeButton")) {
            text = enabled ? "%Hint_BuildingTabUpgrade%" : "%Hint_BuildingTabCantUpgrade%";
        }
        if (text)
            m_buildingHintText->setText(CStringW(text));
    } else {
        resetInfoLabels(info);
        if (type && (type->Kind == GBuildingType::Commercial || type->Kind == GBuildingType::Service))
            m_buildingHintText->setText(CStringW(u"%") + type->DisplayName + u"%");
        else
            m_buildingHintText->setText(CStringW(u"%Hint_BuildingTab%"));
    }
    if (type && type->Kind == GBuildingType::Apartment)
        fillBuildingInfo(info, m_hoveredUpgrade ? m_hoveredUpgrade : type, building, nullptr);
}

void GGamePlayScene::updateUniqueUpgradeHint(ControlNode* hovered, const GUniqUpgradeConfig* upgrade) {
    if (m_buildingHintText) {
        const bool enabled = hovered && hovered->isEnabled();
        if (!hovered)
            m_buildingHintText->setText(CStringW(u"%Hint_BuildingTab%"));
        else if (isNamed(hovered, "BackToBuildingButton"))
            m_buildingHintText->setText(CStringW(u"%Hint_BuildTabBack%"));
        else if (isNamed(hovered, "UniqUp1Button"))
            m_buildingHintText->setText(
                CStringW(hasTemplate(hovered, "Game_UniqUp1Button")
                             ? (enabled ? u"%Hint_BuildingTabUniqUp1%" : u"%Hint_BuildingTabCantUpgrade%")
                             : u"%Hint_BuildingTabUniqUpgradeDontBought%"));
        else if (isNamed(hovered, "UniqUp2Button"))
            m_buildingHintText->setText(
                CStringW(hasTemplate(hovered, "Game_UniqUp2Button")
                             ? (enabled ? u"%Hint_BuildingTabUniqUp2%" : u"%Hint_BuildingTabCantUpgrade%")
                             : u"%Hint_BuildingTabUniqUpgradeDontBought%"));
    }
    BaseNode* info = child(m_buildingPage, "BuildingInfoNode");
    GBuildingNode* building = focusedBuilding();
    if (!info || !building || !building->getType() || building->hasUniqueUpgrade(CName()))
        return;
    if (upgrade) {
        building->applyUniqueUpgrade(upgrade);
        building->updateServiceBonuses();
    }
    fillBuildingInfo(info, m_hoveredUpgrade ? m_hoveredUpgrade : building->getType(), building, upgrade);
    if (upgrade) {
        building->removeUniqueUpgrade(upgrade);
        building->updateServiceBonuses();
    }
}

void GGamePlayScene::resetInfoLabels(BaseNode* panel) {
    for (const char* name : {"IncomeText", "GuestsText", "RatingText"}) {
        if (auto* text = childAs<TextNode>(panel, name)) {
            text->setVisible(false);
            text->setState(CName("Normal"), nullptr, CName());
        }
    }
}

void GGamePlayScene::fillBuildingInfo(BaseNode* panelNode, const GBuildingConfig* type, GBuildingNode* building,
                                      const GUniqUpgradeConfig* upgrade) {
    auto* panel = as<GBuildingInfoNode>(panelNode);
    CDictionary* dict = dictionary();
    if (!type || !dict || !panel || !building)
        return;
    panel->setVisible(true);
    panel->clearTexts();
    panel->showAllLines(false);
    panel->setPreview(CStringW(u"scenes/GameMenu/BuildingIcons/") + type->Name.str() + u".png");
    panel->showPreview(true);
    panel->setBuildingName(dict->get(type->DisplayName));
    panel->showBuildingName(true);
    panel->showDescription(true);
    panel->setDescriptionSign(CStringW(u"scenes/GameMenu/BrokenIcon.png"));
    panel->showDescriptionSign(true);
    panel->highlightIncome(false);
    panel->highlightGuests(false);

    const CStringW infoIcon(u"scenes/GameMenu/InfoIcon.png");
    const bool overlaps = building->overlapsOtherProvider(type);
    const GBuildingConfig* current = building->getType();
    if (!building->isReachable()) {
        panel->setDescription(CStringW(u"%GamePlay_NoRoadHint%"));
    } else if (!building->isRequiredServiceProvided(building->getPlaceNumber(), type)) {
        panel->setDescription(
            CStringW(type->Level > 0 ? u"%GamePlay_NoLicenseHint%" : u"%GamePlay_BuildingPlaceNoLicenseHint%"));
    } else if (building->getDamageState() == GBuildingNode::DamageBroken) {
        panel->setDescription(CStringW(u"%GamePlay_BrokenHint%"));
    } else if (building->getTaskKind() != GBuildingNode::TaskNone) {
        if (current && current->Kind == GBuildingType::Commercial && overlaps) {
            panel->setDescription(overlapText(type));
        } else {
            panel->setDescriptionSign(infoIcon);
            panel->setDescription(descriptionOf(type));
        }
    } else {
        panel->showAllLines(true);
        const CStringW none;
        const int income = wholeNumber(building->getIncome(type) + 0.5f);
        if (income > 0) {
            panel->setIncome(dict->format(CString("GamePlay_Income"), groupedNumber(income), none, none, none));
            const int present = wholeNumber(building->getIncome() + 0.5f);
            if (present < income || (upgrade && upgrade->UniqUpIncomeBonus > 0))
                panel->highlightIncome(true);
        }
        const int guests = building->getGuests(type);
        if (guests > 0) {
            panel->setGuests(dict->format(CString("GamePlay_Guests"), plainNumber(guests), none, none, none));
            if (building->getGuests() < guests || (upgrade && upgrade->UniqUpGuestsBonus > 0))
                panel->highlightGuests(true);
        }
        if (type->Kind == GBuildingType::Commercial) {
            const GActiveFeatureList* features = building->getFeatures();
            const GActiveFeature* active = features ? features->findActive() : nullptr;
            const bool areas = active && !active->ServeAreas.empty() ? true : !type->ServeAreas.empty();
            if (areas) {
                const int served = building->getServedGuestsCount(type);
                panel->setServedGuests(
                    dict->format(CString("GamePlay_ServedGuests"), plainNumber(served), none, none, none));
            }
            if (features && features->size() > 0)
                panel->setGold(features->get(0)->getDescription());
        }
        if (overlaps) {
            panel->setDescription(overlapText(type));
        } else {
            panel->setDescriptionSign(infoIcon);
            panel->setDescription(descriptionOf(type));
        }
    }
    panel->updateLayout();
}

// ---------------------------------------------------------------------------
// Serve-area marks

CArray<GBuildingNode*>& GGamePlayScene::markServedPlaces(CArray<GBuildingNode*>& out, GBuildingNode* building,
                                                         const GBuildingConfig* type) {
    out.clear();
    if (building)
        building->getServedBuildings(out, type ? type : building->getType());
    if (!m_level)
        return out;
    const int count = m_level->getPlaceCount();
    if (!out.empty()) {
        for (int i = 0; i < count; ++i) {
            if (auto* place = nodeCast<GBuildingNode>(m_level->getPlace(i))) {
                place->setServeAreaMarkerRole(place == building);
                place->showServeAreaMarker(out.indexOf(place) >= 0);
            }
        }
        return out;
    }
    // A focused building whose serve areas are in force keeps its marks.
    if (const GBuildingNode* focused = focusedBuilding()) {
        const GActiveFeatureList* features = focused->getFeatures();
        const GActiveFeature* active = features ? features->findActive() : nullptr;
        if (active && !active->ServeAreas.empty())
            return out;
        if (!active && focused->getType() && !focused->getType()->ServeAreas.empty())
            return out;
    }
    for (int i = 0; i < count; ++i)
        if (auto* place = nodeCast<GBuildingNode>(m_level->getPlace(i)))
            place->showServeAreaMarker(false);
    return out;
}

CArray<GBuildingNode*>& GGamePlayScene::showServeAreaFor(CArray<GBuildingNode*>& out, bool useGiven,
                                                         GBuildingNode* building, const GBuildingConfig* type) {
    if (!building) {
        out.clear();
        return out;
    }
    GBuildingNode* used = useGiven ? building : focusedBuilding();
    if (!used && !useGiven)
        type = nullptr;
    return markServedPlaces(out, used, type);
}
