#include "platform/win32/pictures.h"

#include <objbase.h>
#include <objidl.h>
// GDI+ decodes PNG; only its flat API is used.
#include <gdiplus.h>

#include <cstring>
#include <memory>

namespace tarvex {
namespace {

// GDI+ is started on first use and stays up for the process.
bool StartGdiplus() {
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

struct ComRelease {
    void operator()(IUnknown* p) const noexcept { p->Release(); }
};
// A stream over a copy of the bytes. Not SHCreateMemStream: Windows XP exports that one
// by ordinal only.
std::unique_ptr<IStream, ComRelease> MemoryStream(const BYTE* bytes, DWORD size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, bytes, size);
        GlobalUnlock(memory);
        IStream* stream = nullptr;
        if (SUCCEEDED(CreateStreamOnHGlobal(memory, TRUE, &stream)))
            return std::unique_ptr<IStream, ComRelease>(stream);
    }
    GlobalFree(memory);
    return nullptr;
}

struct GpBitmapDeleter {
    void operator()(Gdiplus::GpBitmap* b) const noexcept { Gdiplus::DllExports::GdipDisposeImage(b); }
};

}  // namespace

UniqueImageList LoadImageStrip(int bitmapId, int imageSize) {
    UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return {};
    BITMAP info{};
    GetObjectW(strip.get(), sizeof info, &info);
    UniqueImageList list(ImageList_Create(imageSize, imageSize, ILC_COLOR32, info.bmWidth / imageSize, 0));
    if (list) ImageList_Add(list.get(), strip.get(), nullptr);
    return list;
}

Picture LoadPicture(const wchar_t* resourceName) {
    Picture picture;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, resourceName, L"QM_PICTURES");
    if (!resource || !StartGdiplus()) return picture;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (!bytes) return picture;
    const auto stream = MemoryStream(bytes, SizeofResource(module, resource));
    if (!stream) return picture;
    Gdiplus::GpBitmap* rawBitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), &rawBitmap) != Gdiplus::Ok) return picture;
    std::unique_ptr<Gdiplus::GpBitmap, GpBitmapDeleter> bitmap(rawBitmap);
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap.get(), &width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap.get(), &height);
    Gdiplus::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (Gdiplus::DllExports::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                                                &data) != Gdiplus::Ok)
        return picture;

    BITMAPINFO dib{};
    dib.bmiHeader = {sizeof(BITMAPINFOHEADER), static_cast<LONG>(width), -static_cast<LONG>(height), 1, 32, BI_RGB};
    void* pixels = nullptr;
    picture.Bitmap.reset(CreateDIBSection(nullptr, &dib, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (picture.Bitmap) {
        for (UINT row = 0; row < height; ++row)
            std::memcpy(static_cast<BYTE*>(pixels) + row * width * 4,
                        static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(row) * data.Stride, width * 4);
        picture.Width = static_cast<int>(width);
        picture.Height = static_cast<int>(height);
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap.get(), &data);
    return picture;
}

void DrawPicture(HDC dc, const Picture& picture, int x, int y) {
    if (!picture.Bitmap) return;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    SelectObjectScope select(source.get(), picture.Bitmap.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, picture.Width, picture.Height, source.get(), 0, 0, picture.Width, picture.Height, blend);
}

}  // namespace tarvex
