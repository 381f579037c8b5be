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

// The headers are read straight into structures of their own types, never cast out of a
// byte buffer: the info header starts 14 bytes into the file, two bytes off a word boundary,
// and the device's processor faults on a word read at such an address.
static BOOL ReadLayout(const WCHAR *path, BitmapLayout *layout)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BITMAPFILEHEADER fh;
    union {
        DWORD size;
        BITMAPCOREHEADER core;
        BITMAPINFOHEADER info;
    } header;
    DWORD high = 0, fileRead = 0, read = 0;
    layout->fileSize = GetFileSize(file, &high);
    BOOL ok = layout->fileSize != INVALID_FILE_SIZE && high == 0
        && layout->fileSize >= sizeof(fh) + sizeof(BITMAPCOREHEADER)
        && ReadFile(file, &fh, sizeof(fh), &fileRead, NULL) && fileRead == sizeof(fh)
        && ReadFile(file, &header, sizeof(header.info), &read, NULL) && read >= sizeof(BITMAPCOREHEADER);
    CloseHandle(file);
    if (!ok || fh.bfType != 0x4D42)  // "BM"
        return FALSE;
    layout->declaredSize = fh.bfSize;
    layout->pixelOffset = fh.bfOffBits;
    layout->headerSize = header.size;
    if (layout->headerSize == sizeof(BITMAPCOREHEADER)) {
        layout->width = header.core.bcWidth;
        layout->height = header.core.bcHeight;
        layout->bitCount = header.core.bcBitCount;
        layout->compression = BI_RGB;
        layout->imageSize = 0;
        layout->colorsUsed = 0;
        return TRUE;
    }
    if (layout->headerSize < sizeof(BITMAPINFOHEADER) || read < sizeof(BITMAPINFOHEADER))
        return FALSE;
    layout->width = header.info.biWidth;
    layout->height = header.info.biHeight;
    layout->bitCount = header.info.biBitCount;
    layout->compression = header.info.biCompression;
    layout->imageSize = header.info.biSizeImage;
    layout->colorsUsed = header.info.biClrUsed;
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
