// The logo picture: a GIF carried as a resource, decoded by OLE's own picture loader.
#pragma once

// clang-format off
#include "platform/win32/WindowsApi.h"
#include <ocidl.h>
#include <olectl.h>
// clang-format on

namespace vedodud::win32 {

// Owns one IPicture.
class Picture {
public:
    Picture() = default;
    explicit Picture(IPicture* picture) : picture_(picture) {}
    Picture(Picture&& other) noexcept : picture_(other.picture_) { other.picture_ = nullptr; }
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();

    explicit operator bool() const { return picture_ != nullptr; }
    // Size in pixels on a device of this many dots per inch.
    SIZE PixelSize(int dpiX, int dpiY) const;
    // Draws the picture at its natural size with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;

private:
    IPicture* picture_ = nullptr;
};

// Decodes the RCDATA resource `id` of `module`; throws RuntimeError if it is missing or no image.
Picture LoadPictureResource(HMODULE module, int id);

}  // namespace vedodud::win32
