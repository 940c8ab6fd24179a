#pragma once
// Pictures from the program's resources: image list strips (BITMAP) and PNG pictures of
// the type "QM_PICTURES", drawn with their alpha channel.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/unique_handle.h"

namespace tarvex {

using UniqueImageList = UniqueHandle<HandleTraits<HIMAGELIST, ImageList_Destroy>>;

// A strip of square 32-bit images side by side (alpha not premultiplied).
UniqueImageList LoadImageStrip(int bitmapId, int imageSize);

// A PNG picture decoded to a 32-bit premultiplied top-down DIB; empty when missing.
struct Picture {
    UniqueBitmap Bitmap;
    int Width = 0;
    int Height = 0;
};
Picture LoadPicture(const wchar_t* resourceName);

// Draws a picture blended over what the DC shows, at its own size.
void DrawPicture(HDC dc, const Picture& picture, int x, int y);

}  // namespace tarvex
