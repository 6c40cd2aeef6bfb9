// Layout colours as GDI colours and brushes.
#pragma once

#include <map>

#include "platform/FormLayout.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

// &H800000nn reads entry nn of the system colour table; any other value is &H00BBGGRR, which
// is GDI's own COLORREF layout.
inline COLORREF ToColorRef(Colour colour) {
    return IsSystemColour(colour) ? GetSysColor(static_cast<int>(SystemColourIndex(colour)))
                                  : static_cast<COLORREF>(colour & 0x00FFFFFFu);
}

// Solid brushes, made once per colour and deleted with the cache or when the scheme changes.
class BrushCache {
public:
    BrushCache() = default;
    BrushCache(const BrushCache&) = delete;
    BrushCache& operator=(const BrushCache&) = delete;
    ~BrushCache() { Clear(); }
    HBRUSH Get(COLORREF colour) {
        auto found = brushes_.find(colour);
        if (found != brushes_.end()) return found->second;
        HBRUSH brush = CreateSolidBrush(colour);
        brushes_[colour] = brush;
        return brush;
    }
    void Clear() {
        for (auto& [colour, brush] : brushes_) DeleteObject(brush);
        brushes_.clear();
    }

private:
    std::map<COLORREF, HBRUSH> brushes_;
};

}  // namespace vedodud::win32
