#include "framework/ImageList.h"

BOOL CImageList::LoadStrip(HINSTANCE module, UINT bitmapId, int width, COLORREF transparent)
{
    Destroy();
    m_hImageList = ImageList_LoadImageA(module, MAKEINTRESOURCEA(bitmapId), width, 0, transparent,
                                        IMAGE_BITMAP, LR_CREATEDIBSECTION);
    return m_hImageList != nullptr;
}

void CImageList::Destroy()
{
    if (m_hImageList)
        ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
}
