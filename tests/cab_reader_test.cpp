// The emulator's installer refuses a damaged CAB before anything changes. Its readers of the
// cabinet and of the instruction file get the emulator's own Tapshelf.cab (the build makes
// it with make-cab) whole, then cut short and with offsets and counts beyond its end; the
// instruction file sits right before an inaccessible page, so a read past its end faults
// instead of passing unseen.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <random>
#include <string>
#include <vector>
#include "host/installer/cabinet.h"
#include "host/installer/instructions.h"
#include "sandbox.h"

namespace {

// A read of the fence ends the test program at once, saying so (rather than waiting for
// Wine's debugger to give up).
LONG CALLBACK ReadPastTheEnd(EXCEPTION_POINTERS *exception)
{
    if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    fputs("FAIL: the reader read past the end of the bytes it was given\n", stderr);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Bytes at the very end of committed memory, with an inaccessible page after them.
class FencedBytes {
public:
    explicit FencedBytes(const std::string &bytes) : size_(bytes.size())
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        size_t page = system.dwPageSize, pages = (size_ + page - 1) / page;
        base_ = (BYTE *)VirtualAlloc(NULL, (pages + 1) * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base_ + pages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + pages * page - size_;
        if (size_)
            memcpy(data_, bytes.data(), size_);
    }
    ~FencedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    FencedBytes(const FencedBytes &) = delete;
    FencedBytes &operator=(const FencedBytes &) = delete;

    bool Read(Instructions *out, std::wstring *error) const { return ReadInstructions(data_, size_, out, error); }

private:
    size_t size_;
    BYTE *base_;
    BYTE *data_;
};

std::string ReadBytes(const std::string &path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, NULL));
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file, &bytes[0], (DWORD)bytes.size(), &read, NULL))
        bytes.clear();
    CloseHandle(file);
    return bytes;
}

template <typename T>
std::string With(std::string bytes, size_t at, T value)
{
    memcpy(&bytes[at], &value, sizeof(value));
    return bytes;
}

class CabReader : public testing::Test {
protected:
    void SetUp() override
    {
        handler_ = AddVectoredExceptionHandler(1, ReadPastTheEnd);
        cab_ = ReadBytes(TestProgramFolder() + "\\..\\bin\\Tapshelf.cab");
        ASSERT_FALSE(cab_.empty()) << "the build makes bin\\Tapshelf.cab";
        std::wstring error;
        ASSERT_TRUE(ExtractCabinet(cab_, &files_, &error)) << std::string(error.begin(), error.end());
        ASSERT_FALSE(files_.empty());
        instructions_ = files_[0].bytes;
    }

    // The instruction file's reading refuses the damaged one, with a reason.
    void ExpectRefused(const std::string &bytes, const std::string &what)
    {
        Instructions read;
        std::wstring error;
        EXPECT_FALSE(FencedBytes(bytes).Read(&read, &error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }

    void ExpectCabinetRefused(const std::string &bytes, const std::string &what)
    {
        std::vector<CabinetFile> files;
        std::wstring error;
        EXPECT_FALSE(ExtractCabinet(bytes, &files, &error)) << what;
        EXPECT_TRUE(files.empty()) << what;
        EXPECT_EQ(0u, error.find(L"the cabinet cannot be read")) << what;
    }

    void TearDown() override { RemoveVectoredExceptionHandler(handler_); }

    void *handler_ = nullptr;
    std::string cab_, instructions_;
    std::vector<CabinetFile> files_;
};

TEST_F(CabReader, TheEmulatorsCabInstallsThePluginIntoWindowsAndRegistersTheItem)
{
    std::vector<std::string> names;
    for (const CabinetFile &file : files_)
        names.push_back(file.name);
    EXPECT_EQ((std::vector<std::string>{ "TAPSHE~1.000", "TAPSHE~1.999", "TAPSHE~1.001", "_setup.xml" }), names);

    Instructions read;
    std::wstring error;
    ASSERT_TRUE(FencedBytes(instructions_).Read(&read, &error)) << std::string(error.begin(), error.end());
    EXPECT_EQ(L"Tapshelf", read.application);
    EXPECT_FALSE(read.provider.empty());
    // The processor of the emulator's build, as make-cab reads it off the DLLs.
#if defined(__x86_64__)
    EXPECT_EQ(8664u, read.processor);
#else
    EXPECT_EQ(386u, read.processor);
#endif
    EXPECT_EQ(5u, read.minMajor);
    EXPECT_EQ(1u, read.minMinor);
    ASSERT_EQ(1u, read.files.size());
    EXPECT_EQ(1, read.files[0].number);
    EXPECT_EQ(L"\\Windows", read.files[0].folder);
    EXPECT_EQ(L"tapshelf.dll", read.files[0].name);
    ASSERT_EQ(6u, read.values.size());
    for (const InstallValue &value : read.values) {
        EXPECT_EQ(HKEY_LOCAL_MACHINE, value.root);
        EXPECT_EQ(L"Software\\Microsoft\\Today\\Items\\Tapshelf", value.key);
        if (value.name == L"DLL")
            EXPECT_EQ(std::wstring(L"\\Windows\\tapshelf.dll", 22), std::wstring((const wchar_t *)value.data.data(),
                                                                                value.data.size() / 2));
        else
            EXPECT_EQ((DWORD)REG_DWORD, value.type) << std::string(value.name.begin(), value.name.end());
    }
}

TEST_F(CabReader, AnInstructionFileCutShortOrPointingPastItsEndIsRefused)
{
    for (size_t length = 0; length < instructions_.size(); length++)
        ExpectRefused(instructions_.substr(0, length), "cut to " + std::to_string(length) + " bytes");
    // The same cuts with the header's length made to match: the sections run past the end.
    for (size_t length = 100; length < instructions_.size(); length++)
        ExpectRefused(With(instructions_.substr(0, length), 8, (DWORD)length), "cut, length mended");

    const DWORD size = (DWORD)instructions_.size();
    for (size_t section = 0; section < 5; section++) {
        std::string name = "section " + std::to_string(section);
        ExpectRefused(With(instructions_, 48 + 2 * section, (WORD)0xFFFF), name + " counting 65535 entries");
        for (DWORD offset : { size, (DWORD)(size - 1), (DWORD)0xFFFFFFFF, (DWORD)0x7FFFFFFF })
            ExpectRefused(With(instructions_, 60 + 4 * section, offset), name + " at " + std::to_string(offset));
    }
    for (size_t text = 0; text < 2; text++) {
        ExpectRefused(With(instructions_, 84 + 4 * text, (WORD)size), "name " + std::to_string(text) + " at the end");
        ExpectRefused(With(instructions_, 86 + 4 * text, (WORD)0xFFFF), "name " + std::to_string(text) + " too long");
    }
    ExpectRefused(With(instructions_, 94, (WORD)0xFFFF), "unsupported list too long");
    // The names make the package's record and the name its setup DLL is kept under.
    WORD application = 0;
    memcpy(&application, &instructions_[84], 2);
    Instructions read;
    std::wstring error;
    std::string escaping = instructions_.substr(0, application) + "..\\..\\xy" + instructions_.substr(application + 8);
    EXPECT_FALSE(FencedBytes(escaping).Read(&read, &error));
    EXPECT_NE(std::wstring::npos, error.find(L"name")) << std::string(error.begin(), error.end());
    ExpectRefused(With(instructions_, 8, size + 1), "a length larger than the file");
}

TEST_F(CabReader, ScrambledInstructionFilesAreReadWithinTheirBytes)
{
    // Whatever the bytes, the reader answers without reading outside them.
    std::mt19937 random(22);
    for (int round = 0; round < 3000; round++) {
        std::string bytes = instructions_;
        for (int flips = 1 + (int)(random() % 4); flips > 0; flips--)
            bytes[100 + random() % (bytes.size() - 100)] = (char)random();
        if (round % 3 == 0)
            bytes[48 + random() % 48] = (char)random();
        Instructions read;
        std::wstring error;
        FencedBytes(bytes).Read(&read, &error);
    }
}

TEST_F(CabReader, ACabinetCutShortOrWithCountsAndOffsetsBeyondItsEndIsRefused)
{
    size_t step = cab_.size() / 97 + 1;
    for (size_t length = 0; length < cab_.size(); length += length < 64 ? 7 : step)
        ExpectCabinetRefused(cab_.substr(0, length), "cut to " + std::to_string(length) + " bytes");
    ExpectCabinetRefused(cab_.substr(0, cab_.size() - 1), "one byte short");
    const DWORD size = (DWORD)cab_.size();
    ExpectCabinetRefused(With(cab_, 28, (WORD)0xFFFF), "65535 files");
    ExpectCabinetRefused(With(cab_, 16, size + 8), "the file list beyond the end");
    ExpectCabinetRefused(With(cab_, 36, size + 8), "the first folder's data beyond the end");
    ExpectCabinetRefused(std::string(cab_.size(), 'x'), "no cabinet at all");
}

}  // namespace
