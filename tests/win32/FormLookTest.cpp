// How Form1's captions are drawn: in colours the scheme leaves legible, and whole inside their boxes.
#include <algorithm>
#include <utility>
#include <vector>

#include "Form1WindowFixture.h"

namespace vedodud::win32 {
namespace {

// Sets system colours for the length of a test, then puts the previous ones back.
class SystemColours {
public:
    SystemColours(std::vector<int> indices, std::vector<COLORREF> colours) : indices_(std::move(indices)) {
        for (int index : indices_) previous_.push_back(GetSysColor(index));
        SetSysColors(static_cast<int>(indices_.size()), indices_.data(), colours.data());
    }
    ~SystemColours() { SetSysColors(static_cast<int>(indices_.size()), indices_.data(), previous_.data()); }

private:
    std::vector<int> indices_;
    std::vector<COLORREF> previous_;
};

struct Drawn {
    COLORREF background, text, brush;
};

// What the form tells a control to paint its caption with.
Drawn CaptionColours(HWND form, HWND control) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkColor(dc, RGB(1, 2, 3));
    SetTextColor(dc, RGB(1, 2, 3));
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    LOGBRUSH fill{};
    GetObjectW(brush, sizeof fill, &fill);
    const Drawn drawn{GetBkColor(dc), GetTextColor(dc), fill.lbColor};
    DeleteDC(dc);
    return drawn;
}

// The colour the form erases its client area with.
COLORREF FormBackground(HWND form) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(form, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const COLORREF colour = GetPixel(dc, 1, 1);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return colour;
}

TEST_F(Form1Window, CaptionsFollowTheSchemeInOneLegibleSharedBackground) {
    constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kPale = RGB(255, 251, 240);
    struct Scheme {
        const char* name;
        COLORREF captionText, windowText, window;  // entries 9, 8 and 5
        COLORREF background, text;
    };
    // One window lives through every change: it must follow each while it runs.
    for (const Scheme& s : {Scheme{"classic, pale caption text", kPale, kBlack, kWhite, kPale, kBlack},
                            Scheme{"black caption text", kBlack, kBlack, kWhite, kWhite, kBlack},
                            Scheme{"high contrast white on black", kWhite, kWhite, kBlack, kBlack, kWhite},
                            Scheme{"high contrast black on white", kWhite, kBlack, kWhite, kWhite, kBlack}}) {
        SystemColours scheme({COLOR_CAPTIONTEXT, COLOR_WINDOWTEXT, COLOR_WINDOW},
                             {s.captionText, s.windowText, s.window});
        EXPECT_EQ(FormBackground(hwnd_), s.background) << s.name;
        for (ControlId id : {ControlId::Label1, ControlId::Check1, ControlId::Frame1}) {
            const Drawn drawn = CaptionColours(hwnd_, Control(id));
            EXPECT_EQ(drawn.background, s.background) << s.name << ": " << Form1Layout().Control(id).name;
            EXPECT_EQ(drawn.brush, s.background) << s.name << ": " << Form1Layout().Control(id).name;
            EXPECT_EQ(drawn.text, s.text) << s.name << ": " << Form1Layout().Control(id).name;
        }
    }
}

// Draws the control's caption in a twin of the control as wide as `width` (same class, style, font
// and height), and returns the rightmost column in which it differs from the twin without a caption:
// where the caption ends when nothing confines it.
int UnconfinedCaptionEnd(HWND control, int width) {
    wchar_t className[32] = {}, caption[128] = {};
    GetClassNameW(control, className, 32);
    GetWindowTextW(control, caption, 128);
    RECT box;
    GetClientRect(control, &box);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & ~WS_VISIBLE;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));

    HDC screen = GetDC(nullptr);
    std::vector<std::vector<COLORREF>> drawn;
    for (const wchar_t* text : {static_cast<const wchar_t*>(caption), L""}) {
        HWND twin = CreateWindowExW(0, className, text, style, 0, 0, width, box.bottom, GetParent(control),
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(twin, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, box.bottom);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        SendMessageW(twin, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < box.bottom; ++y)
            for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
        drawn.push_back(std::move(pixels));
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
        DestroyWindow(twin);
    }
    ReleaseDC(nullptr, screen);
    int end = -1;
    for (std::size_t i = 0; i < drawn[0].size(); ++i)
        if (drawn[0][i] != drawn[1][i]) end = std::max(end, static_cast<int>(i % width));
    return end;
}

TEST_F(Form1Window, EveryCaptionEndsInsideItsBox) {
    // The frame's caption must leave room for its frame line to reach the corner.
    for (const auto& [id, margin] : {std::pair{ControlId::Check1, 1}, std::pair{ControlId::Label1, 1},
                                     std::pair{ControlId::Frame1, 3}}) {
        RECT box;
        GetClientRect(Control(id), &box);
        const int end = UnconfinedCaptionEnd(Control(id), 3 * box.right);
        EXPECT_GT(end, 0) << Form1Layout().Control(id).name << ": no caption was drawn";
        EXPECT_LT(end, box.right - margin)
            << Form1Layout().Control(id).name << " at " << dpi_ << " DPI: the caption would be cut off";
    }
}

}  // namespace
}  // namespace vedodud::win32
