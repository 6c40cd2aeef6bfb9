#include "platform/win32/Logo.h"

#include <cstring>

#include "platform/RuntimeError.h"

namespace vedodud::win32 {
namespace {

constexpr int kHimetricPerInch = 2540;

}  // namespace

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        if (picture_) picture_->Release();
        picture_ = other.picture_;
        other.picture_ = nullptr;
    }
    return *this;
}

Picture::~Picture() {
    if (picture_) picture_->Release();
}

SIZE Picture::PixelSize(int dpiX, int dpiY) const {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    return SIZE{MulDiv(width, dpiX, kHimetricPerInch), MulDiv(height, dpiY, kHimetricPerInch)};
}

void Picture::Draw(HDC dc, int x, int y) const {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    const SIZE pixels = PixelSize(GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY));
    // HIMETRIC runs upwards: the source starts at the bottom edge with a negative height.
    picture_->Render(dc, x, y, pixels.cx, pixels.cy, 0, height, width, -height, nullptr);
}

Picture LoadPictureResource(HMODULE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes || size == 0) throw RuntimeError("Can't find the logo picture resource");

    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) throw RuntimeError("Out of memory");
    std::memcpy(GlobalLock(copy), bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        throw RuntimeError("Out of memory");
    }
    IPicture* picture = nullptr;
    const HRESULT result = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                          reinterpret_cast<void**>(&picture));
    stream->Release();
    if (FAILED(result) || !picture) throw RuntimeError("Invalid picture: the logo could not be decoded");
    return Picture(picture);
}

}  // namespace vedodud::win32
