// CImageList, an owned comctl32 image list.
#pragma once
#include <windows.h>
#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // A strip bitmap of the module's resources, cut into images of the given width, with
    // the pixels of the transparent colour masked out.
    BOOL LoadStrip(HINSTANCE module, UINT bitmapId, int width, COLORREF transparent);
    void Attach(HIMAGELIST images) { Destroy(); m_hImageList = images; }
    void Destroy();
    HIMAGELIST Handle() const { return m_hImageList; }

private:
    HIMAGELIST m_hImageList = nullptr;
};
