// SHLoadDIBitmap and TransparentImage, as the device's core library provides them.
#include "coredll_ext.h"

extern "C" HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR szFileName)
{
    if (!szFileName || !szFileName[0])
        return NULL;
    return (HBITMAP)LoadImageW(NULL, szFileName, IMAGE_BITMAP, 0, 0,
                               LR_LOADFROMFILE | LR_CREATEDIBSECTION);
}

extern "C" BOOL WINAPI TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy,
                                        HANDLE hSrc, LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy,
                                        COLORREF TransparentColor)
{
    if (!hdcDest || !hSrc)
        return FALSE;
    DWORD type = GetObjectType(hSrc);
    if (type == OBJ_DC || type == OBJ_MEMDC)
        return TransparentBlt(hdcDest, DstX, DstY, DstCx, DstCy, (HDC)hSrc, SrcX, SrcY, SrcCx, SrcCy,
                              TransparentColor);
    if (type != OBJ_BITMAP)
        return FALSE;

    HDC src = CreateCompatibleDC(hdcDest);
    if (!src)
        return FALSE;
    HGDIOBJ old = SelectObject(src, hSrc);
    BOOL ok = TransparentBlt(hdcDest, DstX, DstY, DstCx, DstCy, src, SrcX, SrcY, SrcCx, SrcCy,
                             TransparentColor);
    SelectObject(src, old);
    DeleteDC(src);
    return ok;
}
