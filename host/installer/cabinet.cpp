// Cabinets through FDI with its input and outputs in memory: the "file" FDI opens is the
// cabinet's bytes, and each file it copies out is appended to the list. FDI reads the
// cabinet's parts one after the other and takes some of the header's sizes and offsets on
// trust, so those are checked against the bytes first.
#include "host/installer/cabinet.h"
#include <windows.h>
#include <fcntl.h>
#include <fdi.h>
#include <stdio.h>
#include <list>

namespace {

// A handle that FDI reads, seeks or writes: the cabinet, or a file being copied out.
struct Stream {
    const std::string *input = nullptr;   // the cabinet, read
    size_t file = 0;                      // otherwise: the index of the file written
    size_t expected = 0;                  // its size, as the cabinet gives it
    size_t position = 0;
};

// The extraction under way (one at a time: FDI's callbacks carry no context but handles).
// It owns the streams, so that none outlives it, whether FDI closes them or not.
struct Extraction {
    const std::string *cabinet;
    std::vector<CabinetFile> *files;
    size_t total = 0;
    std::wstring problem;   // what made a callback stop FDI
    std::list<Stream> streams;

    INT_PTR NewStream()
    {
        streams.emplace_back();
        return (INT_PTR)&streams.back();
    }
};
Extraction *g_extraction;

FNALLOC(Allocate) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFREE(Free) { HeapFree(GetProcessHeap(), 0, pv); }

// FDI opens nothing but the cabinet: whatever the name, it gets the cabinet's bytes.
FNOPEN(Open)
{
    (void)pszFile;
    (void)pmode;
    if ((oflag & (_O_WRONLY | _O_RDWR)) != 0)
        return -1;
    INT_PTR handle = g_extraction->NewStream();
    ((Stream *)handle)->input = g_extraction->cabinet;
    return handle;
}

FNREAD(Read)
{
    Stream *stream = (Stream *)hf;
    if (!stream->input)
        return (UINT)-1;
    size_t size = stream->input->size();
    size_t count = stream->position < size ? size - stream->position : 0;
    if (count > cb)
        count = cb;
    memcpy(pv, stream->input->data() + stream->position, count);
    stream->position += count;
    return (UINT)count;
}

FNWRITE(Write)
{
    Stream *stream = (Stream *)hf;
    if (stream->input)
        return (UINT)-1;
    std::string &bytes = (*g_extraction->files)[stream->file].bytes;
    if (cb > CABINET_MAX_BYTES - g_extraction->total || bytes.size() + cb > stream->expected) {
        g_extraction->problem = L"its files hold more than they say";
        return (UINT)-1;
    }
    bytes.append((const char *)pv, cb);
    g_extraction->total += cb;
    return cb;
}

FNCLOSE(Close)
{
    (void)hf;
    return 0;
}

FNSEEK(Seek)
{
    Stream *stream = (Stream *)hf;
    if (!stream->input)
        return -1;
    long long base = seektype == SEEK_SET ? 0 : seektype == SEEK_CUR ? (long long)stream->position
                                                                       : (long long)stream->input->size();
    long long target = base + dist;
    if (target < 0 || target > (long long)stream->input->size())
        return -1;
    stream->position = (size_t)target;
    return (LONG)target;
}

// A new file: a stream that collects it. A file's end: it must have its full size.
FNFDINOTIFY(Notify)
{
    std::vector<CabinetFile> &files = *g_extraction->files;
    switch (fdint) {
    case fdintCOPY_FILE: {
        if (files.size() >= CABINET_MAX_FILES || pfdin->cb < 0
            || (size_t)pfdin->cb > CABINET_MAX_BYTES - g_extraction->total) {
            g_extraction->problem = L"it holds more than the device takes";
            return -1;
        }
        CabinetFile file;
        file.name = pfdin->psz1 ? pfdin->psz1 : "";
        files.push_back(file);
        INT_PTR handle = g_extraction->NewStream();
        ((Stream *)handle)->file = files.size() - 1;
        ((Stream *)handle)->expected = (size_t)pfdin->cb;
        return handle;
    }
    case fdintCLOSE_FILE_INFO: {
        Stream *stream = (Stream *)pfdin->hf;
        bool whole = files[stream->file].bytes.size() == stream->expected;
        if (!whole)
            g_extraction->problem = L"a file in it is cut short";
        return whole ? TRUE : FALSE;
    }
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
        g_extraction->problem = L"it is one of a set of cabinets";
        return -1;
    default:
        return 0;
    }
}

// CFHEADER and CFFOLDER: the sizes and offsets they give lie inside the bytes. A header that
// is no cabinet's, or one of a set, is left to FDI to refuse.
bool HeaderFits(const std::string &bytes)
{
    const size_t HEADER = 36, FOLDER = 8, SMALLEST_FILE_ENTRY = 17;
    const WORD RESERVE_PRESENT = 0x0004, ONE_OF_A_SET = 0x0003;
    DWORD size = 0, filesAt = 0, dataAt = 0;
    WORD folders = 0, files = 0, flags = 0, headerReserve = 0;
    if (bytes.size() < HEADER || bytes.compare(0, 4, "MSCF") != 0)
        return true;
    memcpy(&size, &bytes[8], 4);
    memcpy(&filesAt, &bytes[16], 4);
    memcpy(&folders, &bytes[26], 2);
    memcpy(&files, &bytes[28], 2);
    memcpy(&flags, &bytes[30], 2);
    if (flags & ONE_OF_A_SET)
        return true;
    size_t at = HEADER, folderReserve = 0;
    if (flags & RESERVE_PRESENT) {
        if (bytes.size() < HEADER + 4)
            return false;
        memcpy(&headerReserve, &bytes[HEADER], 2);
        folderReserve = (BYTE)bytes[HEADER + 2];
        at = HEADER + 4 + headerReserve;
    }
    if (size != bytes.size() || filesAt >= size || (size_t)files * SMALLEST_FILE_ENTRY > size - filesAt)
        return false;
    for (WORD folder = 0; folder < folders; folder++, at += FOLDER + folderReserve) {
        if (at + FOLDER > size)
            return false;
        memcpy(&dataAt, &bytes[at], 4);
        if (dataAt >= size)
            return false;
    }
    return true;
}

const wchar_t *FdiError(int code)
{
    switch (code) {
    case FDIERROR_NOT_A_CABINET: return L"it is not a cabinet";
    case FDIERROR_UNKNOWN_CABINET_VERSION: return L"its cabinet version is unknown";
    case FDIERROR_CORRUPT_CABINET: return L"it is damaged";
    case FDIERROR_BAD_COMPR_TYPE: return L"it is packed in an unknown way";
    case FDIERROR_MDI_FAIL: return L"its packed data is damaged";
    case FDIERROR_RESERVE_MISMATCH: return L"its header is damaged";
    default: return L"it cannot be read";
    }
}

}  // namespace

bool ExtractCabinet(const std::string &bytes, std::vector<CabinetFile> *files, std::wstring *error)
{
    files->clear();
    if (bytes.size() > CABINET_MAX_BYTES) {
        *error = L"the cabinet is larger than the device takes";
        return false;
    }
    if (!HeaderFits(bytes)) {
        *error = L"the cabinet cannot be read: its header gives sizes or offsets beyond its end";
        return false;
    }
    Extraction extraction;
    extraction.cabinet = &bytes;
    extraction.files = files;
    g_extraction = &extraction;
    ERF erf = {};
    HFDI fdi = FDICreate(Allocate, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &erf);
    bool ok = false;
    if (fdi) {
        char name[] = "package.cab", path[] = "";
        ok = FDICopy(fdi, name, path, 0, Notify, NULL, NULL) != FALSE;
        FDIDestroy(fdi);
    }
    g_extraction = nullptr;
    // A cabinet with no file at all is not one the installer can take either.
    if (ok && files->empty())
        extraction.problem = L"it holds no files";
    if (!ok || files->empty()) {
        *error = L"the cabinet cannot be read: "
                 + (extraction.problem.empty() ? std::wstring(FdiError(erf.erfOper)) : extraction.problem);
        files->clear();
        return false;
    }
    return true;
}
