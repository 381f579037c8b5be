// SHLoadDIBitmap and TransparentImage, as the device's core library provides them.
#include "coredll_ext.h"

extern "C" HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR szFileName)
{
    if (!szFileName || !szFileName[0])
        return NULL;
    return (HBITMAP)LoadImageW(NULL, szFileName, IMAGE_BITMAP, 0, 0,
                               LR_LOADFROMFILE | LR_CREATEDIBSECTION);
}

// Copies with the key colour left out. A stretched copy takes, for every destination pixel,
// the nearest source pixel, as the device does: desktop TransparentBlt stretches in its work
// context's default mode (BLACKONWHITE), which ANDs the dropped rows and columns into their
// neighbours, so key pixels merge with the picture's and come out as stray colours.
static BOOL CopyLeavingKeyOut(HDC dest, LONG x, LONG y, LONG cx, LONG cy, HDC src, LONG sx, LONG sy,
                              LONG scx, LONG scy, COLORREF key)
{
    if (cx == scx && cy == scy)
        return TransparentBlt(dest, x, y, cx, cy, src, sx, sy, scx, scy, key);
    if (cx <= 0 || cy <= 0 || scx <= 0 || scy <= 0)
        return FALSE;
    // Only the part of the destination that can take pixels is stretched: the scratch
    // picture is never larger than what is drawn, however large the stretch.
    RECT target = { x, y, x + cx, y + cy }, bounds, part = target;
    int clip = GetClipBox(dest, &bounds);
    if (clip == NULLREGION || (clip != ERROR && !IntersectRect(&part, &target, &bounds)))
        return TRUE;
    int pw = part.right - part.left, ph = part.bottom - part.top;
    HDC work = CreateCompatibleDC(dest);
    HBITMAP bitmap = CreateCompatibleBitmap(dest, pw, ph);
    if (!work || !bitmap) {
        if (bitmap) DeleteObject(bitmap);
        if (work) DeleteDC(work);
        return FALSE;
    }
    HGDIOBJ old = SelectObject(work, bitmap);
    SetStretchBltMode(work, COLORONCOLOR);
    // The whole stretch, placed so that the part lands at the scratch picture's origin.
    BOOL ok = StretchBlt(work, x - part.left, y - part.top, cx, cy, src, sx, sy, scx, scy, SRCCOPY)
        && TransparentBlt(dest, part.left, part.top, pw, ph, work, 0, 0, pw, ph, key);
    SelectObject(work, old);
    DeleteObject(bitmap);
    DeleteDC(work);
    return ok;
}

extern "C" BOOL WINAPI TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy,
                                        HANDLE hSrc, LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy,
                                        COLORREF TransparentColor)
{
    if (!hdcDest || !hSrc)
        return FALSE;
    DWORD type = GetObjectType(hSrc);
    if (type == OBJ_DC || type == OBJ_MEMDC)
        return CopyLeavingKeyOut(hdcDest, DstX, DstY, DstCx, DstCy, (HDC)hSrc, SrcX, SrcY, SrcCx, SrcCy,
                                 TransparentColor);
    if (type != OBJ_BITMAP)
        return FALSE;

    HDC src = CreateCompatibleDC(hdcDest);
    if (!src)
        return FALSE;
    HGDIOBJ old = SelectObject(src, hSrc);
    BOOL ok = CopyLeavingKeyOut(hdcDest, DstX, DstY, DstCx, DstCy, src, SrcX, SrcY, SrcCx, SrcCy,
                                TransparentColor);
    SelectObject(src, old);
    DeleteDC(src);
    return ok;
}
