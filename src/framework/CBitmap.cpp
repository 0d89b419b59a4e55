#include "CBitmap.h"

#include "CWinApp.h"

BOOL CBitmap::LoadBitmap(UINT id)
{
    return Attach(LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}
