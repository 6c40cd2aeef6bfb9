#include "platform/win32/Win32Shell.h"

#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/common/NotifyIconRecord.h"
#include "platform/win32/BoundFunction.h"
#include "platform/win32/Handles.h"

namespace vedodud::win32 {
namespace {

BoundFunction<BOOL WINAPI(DWORD, PNOTIFYICONDATAA)> g_shellNotifyIcon{"shell32.dll", "Shell_NotifyIconA"};

}  // namespace

#ifdef _WIN64
// 64-bit Windows widens the handles, so the record is copied into its own layout and back.
Long CallShellNotifyIconA(Long dwMessage, NotifyIconDataA& record) {
    const NotifyIconFields fields = DecodeRecordFields(record);
    NOTIFYICONDATAA native{};
    native.cbSize = NOTIFYICONDATAA_V1_SIZE;
    native.hWnd = ToHwnd(fields.hWnd);
    native.uID = static_cast<UINT>(fields.uID);
    native.uFlags = static_cast<UINT>(fields.uFlags);
    native.uCallbackMessage = static_cast<UINT>(fields.uCallbackMessage);
    native.hIcon = reinterpret_cast<HICON>(static_cast<std::intptr_t>(fields.hIcon));
    // The first layout's tip; the native one has more room, of which the first 64 bytes are it.
    std::memcpy(native.szTip, RecordTipBytes(record).data(), kRecordTipBytes);
    const Long result = g_shellNotifyIcon(static_cast<DWORD>(dwMessage), &native);
    std::memcpy(RecordTipBytes(record).data(), native.szTip, kRecordTipBytes);
    return result;
}
#else
// On 32-bit Windows the record is NOTIFYICONDATAA's first layout byte for byte.
static_assert(sizeof(void*) == 4);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + kRecordTipBytes == kNotifyIconDataASize);
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4 && offsetof(NOTIFYICONDATAA, uID) == 8 &&
              offsetof(NOTIFYICONDATAA, uFlags) == 12 && offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16 &&
              offsetof(NOTIFYICONDATAA, hIcon) == 20 && offsetof(NOTIFYICONDATAA, szTip) == kRecordTipOffset);

Long CallShellNotifyIconA(Long dwMessage, NotifyIconDataA& record) {
    return g_shellNotifyIcon(static_cast<DWORD>(dwMessage),
                             reinterpret_cast<PNOTIFYICONDATAA>(record.data()));
}
#endif

Win32Shell::Win32Shell() : Win32Shell(&CallShellNotifyIconA) {}

Win32Shell::Win32Shell(Notify notify) : notify_(std::move(notify)) {}

Long Win32Shell::Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) {
    const NotifyIconFields fields = DecodeRecordFields(lpData);
    // Refused here, as the Linux shell refuses them, rather than left to shell32, which shows
    // both: a record of another size is none this program wrote, and an icon whose window is
    // gone could never answer a click.
    const bool honoured = fields.cbSize == static_cast<Long>(kNotifyIconDataASize) &&
                          (dwMessage == NIM_DELETE || IsWindow(ToHwnd(fields.hWnd)));
    if (!honoured) {
        LogRefusedOperation(dwMessage, fields);
        return 0;
    }
    const Long result = notify_(dwMessage, lpData);
    const IconKey key{fields.hWnd, fields.uID};
    if (dwMessage == NIM_ADD) {
        shown_[key] = ShownIcon{lpData, std::nullopt};
    } else if (dwMessage == NIM_MODIFY) {
        auto icon = shown_.find(key);
        if (icon != shown_.end() && (fields.uFlags & NIF_TIP)) icon->second.tip = lpData;
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
