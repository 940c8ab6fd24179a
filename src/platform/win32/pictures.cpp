#include "platform/win32/pictures.h"

#include <objbase.h>
#include <objidl.h>
// GDI+ decodes PNG; only its flat API is used.
#include <gdiplus.h>

#include <cstring>
#include <memory>
#include <optional>

#include "platform/win32/system_function.h"

namespace tarvex {
namespace {

// GDI+ (and ole32 for its stream) is loaded and started on first use and stays up for the
// process: a start that shows no picture loads neither.
struct GdiplusApi {
    decltype(&CreateStreamOnHGlobal) CreateStream = nullptr;
    decltype(&Gdiplus::DllExports::GdipCreateBitmapFromStream) CreateBitmapFromStream = nullptr;
    decltype(&Gdiplus::DllExports::GdipGetImageWidth) GetImageWidth = nullptr;
    decltype(&Gdiplus::DllExports::GdipGetImageHeight) GetImageHeight = nullptr;
    decltype(&Gdiplus::DllExports::GdipBitmapLockBits) BitmapLockBits = nullptr;
    decltype(&Gdiplus::DllExports::GdipBitmapUnlockBits) BitmapUnlockBits = nullptr;
    decltype(&Gdiplus::DllExports::GdipDisposeImage) DisposeImage = nullptr;
};

template <typename F>
bool Resolve(HMODULE module, const char* name, F& function) {
    function = ModuleFunction<F>(module, name);
    return function != nullptr;
}

const GdiplusApi* StartGdiplus() {
    static const std::optional<GdiplusApi> api = []() -> std::optional<GdiplusApi> {
        const HMODULE ole = LoadLibraryW(L"ole32.dll");
        const HMODULE module = LoadLibraryW(L"gdiplus.dll");
        if (!ole || !module) return std::nullopt;
        GdiplusApi api;
        decltype(&Gdiplus::GdiplusStartup) startup = nullptr;
        if (!Resolve(ole, "CreateStreamOnHGlobal", api.CreateStream) || !Resolve(module, "GdiplusStartup", startup) ||
            !Resolve(module, "GdipCreateBitmapFromStream", api.CreateBitmapFromStream) ||
            !Resolve(module, "GdipGetImageWidth", api.GetImageWidth) ||
            !Resolve(module, "GdipGetImageHeight", api.GetImageHeight) ||
            !Resolve(module, "GdipBitmapLockBits", api.BitmapLockBits) ||
            !Resolve(module, "GdipBitmapUnlockBits", api.BitmapUnlockBits) ||
            !Resolve(module, "GdipDisposeImage", api.DisposeImage))
            return std::nullopt;
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (startup(&token, &input, nullptr) != Gdiplus::Ok) return std::nullopt;
        return api;
    }();
    return api ? &*api : nullptr;
}

struct ComRelease {
    void operator()(IUnknown* p) const noexcept { p->Release(); }
};
// A stream over a copy of the bytes. Not SHCreateMemStream: Windows XP exports that one
// by ordinal only.
std::unique_ptr<IStream, ComRelease> MemoryStream(const GdiplusApi& api, const BYTE* bytes, DWORD size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    if (void* target = GlobalLock(memory)) {
        std::memcpy(target, bytes, size);
        GlobalUnlock(memory);
        IStream* stream = nullptr;
        if (SUCCEEDED(api.CreateStream(memory, TRUE, &stream))) return std::unique_ptr<IStream, ComRelease>(stream);
    }
    GlobalFree(memory);
    return nullptr;
}

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
    const GdiplusApi* gdiplus = resource ? StartGdiplus() : nullptr;
    if (!gdiplus) return picture;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (!bytes) return picture;
    const auto stream = MemoryStream(*gdiplus, bytes, SizeofResource(module, resource));
    if (!stream) return picture;
    Gdiplus::GpBitmap* rawBitmap = nullptr;
    if (gdiplus->CreateBitmapFromStream(stream.get(), &rawBitmap) != Gdiplus::Ok) return picture;
    const auto dispose = [gdiplus](Gdiplus::GpBitmap* b) { gdiplus->DisposeImage(b); };
    std::unique_ptr<Gdiplus::GpBitmap, decltype(dispose)> bitmap(rawBitmap, dispose);
    UINT width = 0, height = 0;
    gdiplus->GetImageWidth(bitmap.get(), &width);
    gdiplus->GetImageHeight(bitmap.get(), &height);
    Gdiplus::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (gdiplus->BitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
        Gdiplus::Ok)
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
    gdiplus->BitmapUnlockBits(bitmap.get(), &data);
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
