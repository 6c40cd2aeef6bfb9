#include "platform/win32/Win32Shell.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "platform/win32/BoundFunction.h"
#include "platform/win32/Handles.h"

namespace vedodud::win32 {
namespace {

Long Field(const NotifyIconDataA& record, std::size_t index) {
    std::uint32_t value = 0;
    for (std::size_t byte = 0; byte < 4; ++byte)
        value |= std::uint32_t{record[index * 4 + byte]} << (8 * byte);
    return static_cast<Long>(value);
}

constexpr std::size_t kUFlags = 3;
constexpr std::size_t kTipOffset = 24;
// The first layout's tip; later layouts have more room, of which the first 64 bytes are it.
constexpr std::size_t kTipBytes = 64;

BoundFunction<BOOL WINAPI(DWORD, PNOTIFYICONDATAA)> g_shellNotifyIcon{"shell32.dll", "Shell_NotifyIconA"};

}  // namespace

#ifdef _WIN64
// 64-bit Windows widens the handles, so the record is copied into its own layout and back.
Long CallShellNotifyIconA(Long dwMessage, NotifyIconDataA& record) {
    NOTIFYICONDATAA native{};
    native.cbSize = NOTIFYICONDATAA_V1_SIZE;
    native.hWnd = ToHwnd(Field(record, 1));
    native.uID = static_cast<UINT>(Field(record, 2));
    native.uFlags = static_cast<UINT>(Field(record, 3));
    native.uCallbackMessage = static_cast<UINT>(Field(record, 4));
    native.hIcon = reinterpret_cast<HICON>(static_cast<std::intptr_t>(Field(record, 5)));
    std::memcpy(native.szTip, record.data() + kTipOffset, kTipBytes);
    const Long result = g_shellNotifyIcon(static_cast<DWORD>(dwMessage), &native);
    std::memcpy(record.data() + kTipOffset, native.szTip, kTipBytes);
    return result;
}
#else
// On 32-bit Windows the record is NOTIFYICONDATAA's first layout byte for byte.
static_assert(sizeof(void*) == 4);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + kTipBytes == kNotifyIconDataASize);
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4 && offsetof(NOTIFYICONDATAA, uID) == 8 &&
              offsetof(NOTIFYICONDATAA, uFlags) == 12 && offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16 &&
              offsetof(NOTIFYICONDATAA, hIcon) == 20 && offsetof(NOTIFYICONDATAA, szTip) == kTipOffset);

Long CallShellNotifyIconA(Long dwMessage, NotifyIconDataA& record) {
    return g_shellNotifyIcon(static_cast<DWORD>(dwMessage),
                             reinterpret_cast<PNOTIFYICONDATAA>(record.data()));
}
#endif

Win32Shell::Win32Shell() : Win32Shell(&CallShellNotifyIconA) {}

Win32Shell::Win32Shell(Notify notify) : notify_(std::move(notify)) {}

Long Win32Shell::Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) {
    const Long result = notify_(dwMessage, lpData);
    const IconKey key{Field(lpData, 1), Field(lpData, 2)};
    if (dwMessage == NIM_ADD) {
        shown_[key] = ShownIcon{lpData, std::nullopt};
    } else if (dwMessage == NIM_MODIFY) {
        auto icon = shown_.find(key);
        if (icon != shown_.end() && (Field(lpData, kUFlags) & NIF_TIP)) icon->second.tip = lpData;
    } else if (dwMessage == NIM_DELETE) {
        shown_.erase(key);
    }
    return result;
}

void Win32Shell::TaskbarCreated() {
    for (auto& [key, icon] : shown_) {
        NotifyIconDataA add = icon.added;
        notify_(NIM_ADD, add);
        if (icon.tip) {
            NotifyIconDataA tip = *icon.tip;
            notify_(NIM_MODIFY, tip);
        }
    }
}

}  // namespace vedodud::win32
