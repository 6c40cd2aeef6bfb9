// The main window: its controls, its tray menu and the handlers behind them.
#pragma once

#include <memory>

#include "platform/Platform.h"
#include "tray/APIStuff.h"
#include "tray/TrayForm.h"

namespace vedodud {

inline constexpr char16_t kTrayTip[] = u"Shoutcast/Dezorav Ovozeri";
inline constexpr char16_t kOfflinePrompt[] = u"You're Website has gone offline!";

class Form1 final : public FormEvents, public TrayForm, public std::enable_shared_from_this<Form1> {
public:
    static std::shared_ptr<Form1> Create(Platform& platform, APIStuff& tray);

    // Builds the window hidden from its layout, runs Form_Load and shows the window only if
    // the layout asks for it.
    void Load();
    void Unload();
    bool IsLoaded() const { return loaded_; }

    bool Visible();
    void SetVisible(bool visible);

    // Published operation: can a connection to the URL be made now?
    bool CheckInternetConnection(WString strURL);

    void Form_Load();
    // The site status poll; it lives in monitor/SiteStatusPoll.cpp, with CheckInternetConnection.
    void Timer1_Timer();
    void Command3_Click();
    void mnuTrayDoStuff_Click();
    void mnuTrayClose_Click();

    Long hWnd() override;
    Long IconHandle() override;
    void PopupMenu(const Menu& menu) override;

    const std::shared_ptr<const Menu>& mnuTray() const { return mnuTray_; }

    WString Text1Text();
    Colour Shape1FillColor();
    void SetShape1FillColor(Colour colour);
    std::int16_t Check1Value();

private:
    Form1(Platform& platform, APIStuff& tray);

    void TimerTick(ControlId timer) override;
    void Click(ControlId control) override;
    void MenuClick(MenuId item) override;
    void CloseRequested() override;

    // The window of a loaded form; touching an unloaded one is an error.
    FormWindow& Window();

    Platform& platform_;
    APIStuff& tray_;
    std::unique_ptr<FormWindow> window_;
    std::shared_ptr<const Menu> mnuTray_;
    bool loaded_ = false;
    bool unloading_ = false;
    bool tickRunning_ = false;
};

}  // namespace vedodud
