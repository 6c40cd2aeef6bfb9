#include "platform/FormLayout.h"

#include <algorithm>
#include <stdexcept>

namespace vedodud {

const ControlLayout& FormLayout::Control(ControlId id) const {
    for (const auto& control : controls)
        if (control.id == id) return control;
    throw std::out_of_range("no such control");
}

const MenuLayout& FormLayout::Menu(MenuId id) const {
    if (const MenuLayout* menu = FindMenu(id)) return *menu;
    throw std::out_of_range("no such menu");
}

const MenuLayout* FormLayout::FindMenu(MenuId id) const {
    for (const auto& menu : menus)
        if (menu.id == id) return &menu;
    return nullptr;
}

const MenuItemLayout* FormLayout::MenuItem(MenuId id) const {
    for (const auto& menu : menus)
        for (const auto& item : menu.items)
            if (item.id == id) return &item;
    return nullptr;
}

std::vector<const ControlLayout*> FormLayout::TabOrder() const {
    std::vector<const ControlLayout*> ordered;
    for (const auto& control : controls)
        if (control.tabIndex >= 0) ordered.push_back(&control);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    return ordered;
}

const ControlLayout* FormLayout::FirstFocus() const {
    for (const ControlLayout* control : TabOrder())
        if (control->HoldsFocus()) return control;
    return nullptr;
}

}  // namespace vedodud
