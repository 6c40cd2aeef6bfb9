#include "TrayArea.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>

namespace vedodud::win32 {
namespace {

constexpr UINT kTimeoutMs = 5000;

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t found[64] = {};
    GetClassNameW(window, found, 64);
    return std::wcscmp(found, name) == 0;
}

BOOL CALLBACK CollectIcon(HWND window, LPARAM icons) {
    if (HasClass(window, L"__winex11_tray_icon") && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(icons)->push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectIconsBelow(HWND topLevel, LPARAM icons) {
    CollectIcon(topLevel, icons);
    EnumChildWindows(topLevel, &CollectIcon, icons);
    return TRUE;
}

struct TooltipSearch {
    HWND owner, tooltip;
};

BOOL CALLBACK FindTooltip(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<TooltipSearch*>(search);
    if (HasClass(window, TOOLTIPS_CLASSW) && GetWindow(window, GW_OWNER) == s->owner) s->tooltip = window;
    return s->tooltip == nullptr;
}

// TOOLINFOW as a process whose pointers are `Pointer` wide lays it out.
template <class Pointer>
struct ToolInfo {
    UINT cbSize, uFlags;
    Pointer hwnd, uId;
    RECT rect;
    Pointer hinst, lpszText, lParam, lpReserved;
};

bool Is64Bit(HANDLE process) {
    BOOL emulated = FALSE;
    if (IsWow64Process(process, &emulated) && emulated) return false;
#ifdef _WIN64
    return true;
#else
    BOOL selfEmulated = FALSE;  // a native process on the 64-bit system this one is emulated on
    return IsWow64Process(GetCurrentProcess(), &selfEmulated) && selfEmulated;
#endif
}

// Asks the tooltip for its first tool with buffers in the tooltip's own process.
template <class Pointer>
std::wstring FirstToolText(HWND tooltip, HANDLE process, char* remote) {
    constexpr std::size_t kTextOffset = 1024, kTextBytes = 2048;
    ToolInfo<Pointer> info{};
    info.cbSize = sizeof info;
    info.lpszText = static_cast<Pointer>(reinterpret_cast<std::uintptr_t>(remote + kTextOffset));
    const std::wstring empty(kTextBytes / sizeof(wchar_t), L'\0');
    WriteProcessMemory(process, remote, &info, sizeof info, nullptr);
    WriteProcessMemory(process, remote + kTextOffset, empty.data(), kTextBytes, nullptr);
    DWORD_PTR found = 0;
    SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                        kTimeoutMs, &found);
    std::wstring text(kTextBytes / sizeof(wchar_t), L'\0');
    if (!found || !ReadProcessMemory(process, remote + kTextOffset, text.data(), kTextBytes - 2, nullptr))
        return {};
    text.resize(std::wcslen(text.c_str()));
    return text;
}

}  // namespace

std::vector<HWND> TrayIconWindows() {
    std::vector<HWND> icons;
    EnumWindows(&CollectIconsBelow, reinterpret_cast<LPARAM>(&icons));
    return icons;
}

std::wstring TrayIconTip(HWND icon) {
    TooltipSearch search{icon, nullptr};
    EnumWindows(&FindTooltip, reinterpret_cast<LPARAM>(&search));
    if (!search.tooltip) return {};
    DWORD processId = 0;
    GetWindowThreadProcessId(search.tooltip, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                    FALSE, processId);
    if (!process) return {};
    auto* remote =
        static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    std::wstring text;
    if (remote) {
        text = Is64Bit(process) ? FirstToolText<std::uint64_t>(search.tooltip, process, remote)
                                : FirstToolText<std::uint32_t>(search.tooltip, process, remote);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

}  // namespace vedodud::win32
