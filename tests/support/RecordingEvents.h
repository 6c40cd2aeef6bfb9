// Form events as a log of readable entries ("tick", "click:Command3", "menu:mnuTrayClose",
// "close"), with hooks for tests that act when one arrives.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/FormsToolkit.h"
#include "ui/Form1Layout.h"

namespace vedodud {

struct RecordingEvents : FormEvents {
    std::vector<std::string> log;
    std::function<void(MenuId)> onMenuClick;
    std::function<void()> onTick, onClick, onClose;

    void TimerTick(ControlId) override {
        log.push_back("tick");
        if (onTick) onTick();
    }
    void Click(ControlId control) override {
        log.push_back("click:" + std::string(Form1Layout().Control(control).name));
        if (onClick) onClick();
    }
    void MenuClick(MenuId item) override {
        const MenuItemLayout* layout = Form1Layout().MenuItem(item);
        log.push_back("menu:" + std::string(layout ? layout->name : "?"));
        if (onMenuClick) onMenuClick(item);
    }
    void CloseRequested() override {
        log.push_back("close");
        if (onClose) onClose();
    }

    int Count(const std::string& entry) const {
        return static_cast<int>(std::count(log.begin(), log.end(), entry));
    }
};

}  // namespace vedodud
