#include "platform/FormLayout.h"

#include <algorithm>
#include <stdexcept>

namespace vedodud {

WString PictureName(ImageId image, std::u16string_view program) {
    switch (image) {
        case ImageId::AppIcon:
            return WString(program) + u" icon";
        case ImageId::Logo:
            return WString(program) + u" logo";
        case ImageId::None:
            break;
    }
    return {};
}

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

const ControlLayout* FormLayout::LabelBeside(const ControlLayout& box) const {
    constexpr int kLargestGap = 240;  // twips between the label's end and the box
    const int middle = box.top + box.height / 2;
    const ControlLayout* nearest = nullptr;
    for (const auto& label : controls) {
        const int gap = box.left - (label.left + label.width);
        if (label.kind != ControlKind::Label || label.container != box.container || label.left >= box.left ||
            middle < label.top || middle >= label.top + label.height || gap > kLargestGap)
            continue;
        if (!nearest || label.left + label.width > nearest->left + nearest->width) nearest = &label;
    }
    return nearest;
}

}  // namespace vedodud
