#include "today/bitmap_file.h"

// The headers as read from the file: enough for the size checks.
struct BitmapLayout {
    DWORD fileSize;          // the file's real size
    DWORD declaredSize;      // bfSize
    DWORD pixelOffset;       // bfOffBits
    DWORD headerSize;        // biSize / bcSize
    LONG width, height;
    WORD bitCount;
    DWORD compression;
    DWORD imageSize;         // biSizeImage
    DWORD colorsUsed;        // biClrUsed
};

static BOOL ReadLayout(const WCHAR *path, BitmapLayout *layout)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BYTE head[14 + 40];
    DWORD high = 0, read = 0;
    layout->fileSize = GetFileSize(file, &high);
    BOOL ok = layout->fileSize != INVALID_FILE_SIZE && high == 0 && layout->fileSize >= 14 + 12
        && ReadFile(file, head, sizeof(head), &read, NULL) && read >= 14 + 12;
    CloseHandle(file);
    if (!ok || head[0] != 'B' || head[1] != 'M')
        return FALSE;
    const BITMAPFILEHEADER *fh = (const BITMAPFILEHEADER *)head;
    layout->declaredSize = fh->bfSize;
    layout->pixelOffset = fh->bfOffBits;
    layout->headerSize = *(const DWORD *)(head + 14);
    if (layout->headerSize == sizeof(BITMAPCOREHEADER)) {
        const BITMAPCOREHEADER *core = (const BITMAPCOREHEADER *)(head + 14);
        layout->width = core->bcWidth;
        layout->height = core->bcHeight;
        layout->bitCount = core->bcBitCount;
        layout->compression = BI_RGB;
        layout->imageSize = 0;
        layout->colorsUsed = 0;
        return TRUE;
    }
    if (layout->headerSize < sizeof(BITMAPINFOHEADER) || read < 14 + sizeof(BITMAPINFOHEADER))
        return FALSE;
    const BITMAPINFOHEADER *info = (const BITMAPINFOHEADER *)(head + 14);
    layout->width = info->biWidth;
    layout->height = info->biHeight;
    layout->bitCount = info->biBitCount;
    layout->compression = info->biCompression;
    layout->imageSize = info->biSizeImage;
    layout->colorsUsed = info->biClrUsed;
    return TRUE;
}

BOOL IsWholeBitmapFile(const WCHAR *path)
{
    BitmapLayout b;
    if (!path || !ReadLayout(path, &b))
        return FALSE;
    ULONGLONG size = b.fileSize;
    if (b.declaredSize > size || b.width <= 0 || b.height == 0 || b.height == (LONG)0x80000000)
        return FALSE;
    if (b.bitCount != 1 && b.bitCount != 4 && b.bitCount != 8 && b.bitCount != 16 && b.bitCount != 24
        && b.bitCount != 32)
        return FALSE;

    // The colour table follows the header; masks of BI_BITFIELDS too.
    ULONGLONG tableEntries = b.bitCount <= 8 ? (b.colorsUsed ? b.colorsUsed : 1u << b.bitCount) : b.colorsUsed;
    if (b.bitCount <= 8 && tableEntries > (1u << b.bitCount))
        return FALSE;
    ULONGLONG entrySize = b.headerSize == sizeof(BITMAPCOREHEADER) ? 3 : 4;
    ULONGLONG tableEnd = (ULONGLONG)14 + b.headerSize + tableEntries * entrySize
        + (b.compression == BI_BITFIELDS && b.headerSize == sizeof(BITMAPINFOHEADER) ? 12 : 0);
    if (tableEnd > size || b.pixelOffset < (ULONGLONG)14 + b.headerSize || b.pixelOffset > size)
        return FALSE;

    // The pixels: every row for uncompressed pictures, the stated size for compressed ones.
    ULONGLONG rows = b.height < 0 ? (ULONGLONG)(-(LONGLONG)b.height) : (ULONGLONG)b.height;
    ULONGLONG pixels;
    if (b.compression == BI_RGB || b.compression == BI_BITFIELDS)
        pixels = (((ULONGLONG)b.width * b.bitCount + 31) / 32) * 4 * rows;
    else if (b.compression == BI_RLE8 || b.compression == BI_RLE4)
        pixels = b.imageSize ? b.imageSize : size + 1;
    else
        return FALSE;
    return b.pixelOffset + pixels <= size;
}
