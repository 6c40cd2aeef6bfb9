// How a form and its controls are laid out: the vocabulary a forms toolkit renders from.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace vedodud {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kTwipsPerPixelAt96Dpi = 15;

// Entries of the system colour table used by the layout.
inline constexpr Colour kSystemWindowBackground = 0x80000005;
inline constexpr Colour kSystemWindowText = 0x80000008;
inline constexpr Colour kSystemCaptionText = 0x80000009;

constexpr bool IsSystemColour(Colour c) {
    return (c & 0xFF000000u) == 0x80000000u;
}
constexpr unsigned SystemColourIndex(Colour c) {
    return c & 0xFFu;
}

enum class ControlKind { TextBox, Frame, Shape, PictureBox, CheckBox, Timer, CommandButton, Label };

enum class BorderStyle { FixedToolWindow };

// What a shape's fill tells someone who cannot see it: `match` for one colour, `other` for any other.
struct FillDescription {
    Colour colour = 0;
    WString match, other;

    const WString& For(Colour fill) const { return fill == colour ? match : other; }
};

// What a picture of the program shows, for those who cannot see it ("<program> logo").
WString PictureName(ImageId image, std::u16string_view program);

struct ControlLayout {
    ControlId id{};
    std::string_view name{};
    ControlKind kind{};
    std::optional<ControlId> container{};  // empty: the form itself
    // Twips from the top-left corner of the container's inner area; a timer has none.
    int left = 0, top = 0, width = 0, height = 0;
    WString text{};     // caption, or the initial text of a text box
    int tabIndex = -1;  // -1: takes no part in the tab order
    std::optional<Colour> backColor{};
    std::optional<Colour> foreColor{};
    std::optional<Colour> fillColor{};                 // shape
    std::optional<Colour> borderColor{};               // shape outline, one pixel solid
    std::optional<FillDescription> fillDescription{};  // shape
    std::int16_t value = 0;                            // check box
    int intervalMs = 0;                                // timer
    bool enabled = true;
    bool flat = false;  // picture box drawn without a bevel
    ImageId picture = ImageId::None;
    bool isDefault = false, isCancel = false;  // push button

    // Frames and labels sit in the tab order but pass the focus on.
    bool HoldsFocus() const {
        return tabIndex >= 0 && kind != ControlKind::Frame && kind != ControlKind::Label;
    }
};

struct MenuItemLayout {
    MenuId id;
    std::string_view name;
    WString caption;  // "-" is a separator; '&' marks the access key

    bool IsSeparator() const { return caption == u"-"; }
};

struct MenuLayout {
    MenuId id;
    std::string_view name;
    WString caption;
    bool visible = false;  // a hidden top-level menu exists only to be popped up
    std::vector<MenuItemLayout> items;
};

struct FormLayout {
    std::string_view name;
    WString caption;
    BorderStyle border = BorderStyle::FixedToolWindow;
    int clientWidth = 0, clientHeight = 0;  // twips
    Colour backColor = kSystemWindowBackground;
    ImageId icon = ImageId::None;
    bool visible = false;
    int screenLeft = 0, screenTop = 0;    // where the client area first stands, twips
    std::vector<ControlLayout> controls;  // in creation order
    std::vector<MenuLayout> menus;

    const ControlLayout& Control(ControlId id) const;
    const MenuLayout& Menu(MenuId id) const;
    // The menu with this id, or nullptr.
    const MenuLayout* FindMenu(MenuId id) const;
    // The item of any menu with this id, or nullptr.
    const MenuItemLayout* MenuItem(MenuId id) const;
    // The controls of the tab order, by tab index; those that cannot hold the focus included.
    std::vector<const ControlLayout*> TabOrder() const;
    // The control that has the focus when the form is first shown, or nullptr.
    const ControlLayout* FirstFocus() const;
    // The label that names a text box for a screen reader, or nullptr: the one a sighted user
    // reads with it, on the same line and ending close to where the box begins.
    const ControlLayout* LabelBeside(const ControlLayout& box) const;
};

}  // namespace vedodud
