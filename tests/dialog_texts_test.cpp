// The four full-screen dialogs' texts in the device's language, opened as a user opens
// them: the options dialog as the Today settings run it (template 500 of the built
// tapshelf.dll with export 241), the entry editor from its Add, the file chooser from the
// editor's "...", the appearance dialog from its Options. A Japanese device shows every
// text of the templates as it is; any other device shows English in place of each Japanese
// text, and every text fits its control at 96 and at 192 dots per inch. (The Japanese texts
// are the templates' own whatever the device: how they fit is the templates' affair and the
// Japanese font's, and this machine's font is not the device's.)
// tests/CMakeLists.txt runs these cases twice: with the device's language English, and
// Japanese (the process's locale; Wine takes the UI language from it).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "dialog_script.h"
#include "resources/dialog_texts.h"
#include "resources/resource.h"
#include "harness.h"
#include "sandbox.h"
#include "todaycmn.h"

namespace {

using Texts = std::vector<std::wstring>;

// The static and button texts of each template, in template order.
const Texts kOptionsTexts = { L"追加", L"編集", L"削除", L"▲", L"▼", L"ｵﾌﾟｼｮﾝ", L"ｱﾝｲﾝｽﾄｰﾙ" };
const Texts kEditorTexts = { L"名称:", L"ﾌｧｲﾙﾊﾟｽ:", L"...", L"ｺﾏﾝﾄﾞﾗｲﾝ:", L"...", L"ｷｬﾝｾﾙ" };
const Texts kChooserTexts = { L"ファイル", L"..", L"ｷｬﾝｾﾙ" };
const Texts kAppearanceTexts = {
    L"背景ﾋﾞｯﾄﾏｯﾌﾟ:", L"...", L"領域に合わせてﾋﾞｯﾄﾏｯﾌﾟを伸縮する",
    L"ｱｲｺﾝ ｻｲｽﾞ:", L"ｱｲｺﾝ間隔 よこ:", L"ｱｲｺﾝ間隔 たて:",
    L"ｳｲﾝﾄﾞｳ 左ﾏｰｼﾞﾝ:", L"ｳｲﾝﾄﾞｳ 上ﾏｰｼﾞﾝ:", L"ｳｲﾝﾄﾞｳ 右ﾏｰｼﾞﾝ:", L"ｳｲﾝﾄﾞｳ 下ﾏｰｼﾞﾝ:",
    L"Tapshelf version 1.0\nA launcher for the Today screen", L"(c) the Tapshelf authors",
    L"上下キーのみで項目を操作",
};

// The device language this run was started with: the locale's messages category, as the
// C library reads it (LC_ALL before LC_MESSAGES before LANG).
bool RunIsJapanese()
{
    for (const wchar_t *name : { L"LC_ALL", L"LC_MESSAGES", L"LANG" }) {
        WCHAR value[64] = L"";
        if (GetEnvironmentVariableW(name, value, 64) && value[0])
            return wcsncmp(value, L"ja", 2) == 0;
    }
    return false;
}

std::wstring English(const std::wstring &japanese)
{
    for (int i = 0; i < kEnglishDialogTextCount; i++)
        if (japanese == kEnglishDialogTexts[i].japanese)
            return kEnglishDialogTexts[i].english;
    return japanese;
}

// Kana, kanji and the half-width forms: what a device without Japanese glyphs shows as boxes.
bool HasJapanese(const std::wstring &text)
{
    for (wchar_t c : text)
        if (c >= 0x3000)
            return true;
    return false;
}

bool IsClass(HWND window, const wchar_t *name)
{
    WCHAR found[32] = L"";
    GetClassNameW(window, found, 32);
    return _wcsicmp(found, name) == 0;
}

std::wstring WindowText(HWND window)
{
    WCHAR text[128] = L"";
    GetWindowTextW(window, text, 128);
    return text;
}

// The labels, check boxes and buttons of a dialog in template order.
std::vector<HWND> Labelled(HWND dialog)
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsClass(child, L"Static") || IsClass(child, L"Button"))
            controls.push_back(child);
    return controls;
}

Texts TextsOf(HWND dialog)
{
    Texts texts;
    for (HWND control : Labelled(dialog))
        texts.push_back(WindowText(control));
    return texts;
}

// The dialog manager's base units for a font: the average width of the alphabet and the
// height of a line.
SIZE BaseUnits(HDC dc)
{
    static const wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SIZE alphabet;
    GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    return { (alphabet.cx / 26 + 1) / 2, metrics.tmHeight };
}

// Each control whose text is wider or taller than the room its control has for it, with
// the dialog's font made for `dpi` dots per inch and the control at the size its dialog
// units give there: a push button keeps its edges and as much again clear on either side,
// a check box its box and a character's width after it; a label breaks its text at "\n".
Texts Overflows(HWND dialog, int dpi)
{
    HFONT shown = (HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0);
    LOGFONTW face;
    GetObjectW(shown, sizeof face, &face);
    HDC dc = GetDC(dialog);
    int points = MulDiv(-face.lfHeight, 72, GetDeviceCaps(dc, LOGPIXELSY));
    HGDIOBJ old = SelectObject(dc, shown);
    SIZE shownUnits = BaseUnits(dc);
    face.lfHeight = -MulDiv(points, dpi, 72);
    HFONT font = CreateFontIndirectW(&face);
    SelectObject(dc, font);
    SIZE units = BaseUnits(dc);
    Texts overflows;
    for (HWND control : Labelled(dialog)) {
        EXPECT_EQ(shown, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0)) << "the dialog's font";
        RECT client;
        GetClientRect(control, &client);
        int room = MulDiv(MulDiv(client.right, 4, shownUnits.cx), units.cx, 4);
        int height = MulDiv(MulDiv(client.bottom, 8, shownUnits.cy), units.cy, 8);
        LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        if (IsClass(control, L"Button") && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
            room -= 4 * GetSystemMetrics(SM_CXEDGE) * dpi / 96;
        else if (IsClass(control, L"Button"))
            room -= GetSystemMetrics(SM_CXMENUCHECK) * dpi / 96 + units.cx;
        std::wstring text = WindowText(control);
        int widest = 0, lines = 0;
        for (size_t start = 0; start <= text.size(); lines++) {
            size_t end = std::min(text.find(L'\n', start), text.size());
            SIZE line;
            GetTextExtentPoint32W(dc, text.c_str() + start, (int)(end - start), &line);
            widest = std::max(widest, (int)line.cx);
            start = end + 1;
        }
        if (widest > room || lines * units.cy > height)
            overflows.push_back(text + L": " + std::to_wstring(widest) + L" wide in " + std::to_wstring(room) +
                                L", " + std::to_wstring(lines) + L" line(s) in " + std::to_wstring(height) + L" px");
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(dialog, dc);
    return overflows;
}

class DialogTexts : public testing::Test {
protected:
    HMODULE dll = NULL;
    DLGPROC procedure = NULL;

    void SetUp() override
    {
        ResetRegistry();
        std::string path = TestProgramFolder() + "\\..\\bin\\tapshelf.dll";
        dll = LoadLibraryA(path.c_str());
        ASSERT_NE(nullptr, dll) << path;
        procedure = (DLGPROC)(void *)GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC));
        ASSERT_NE(nullptr, procedure);
    }
    void TearDown() override
    {
        if (dll)
            FreeLibrary(dll);
        ResetRegistry();
    }
};

TEST_F(DialogTexts, EveryDialogSpeaksTheDeviceLanguageAndEveryTextFitsItsControl)
{
    bool japanese = RunIsJapanese();
    ASSERT_EQ(japanese ? LANG_JAPANESE : LANG_ENGLISH, PRIMARYLANGID(GetUserDefaultUILanguage()))
        << "Wine did not take the device's language from the locale: is the locale generated (make bootstrap)?";

    struct Shown { const char *name; Texts templateTexts, texts, overflows; };
    std::vector<Shown> shown = { { "options", kOptionsTexts }, { "entry editor", kEditorTexts },
                                 { "file chooser", kChooserTexts }, { "appearance", kAppearanceTexts } };
    auto note = [&shown, japanese](size_t which) {
        return [&shown, japanese, which](HWND dialog) {
            shown[which].texts = TextsOf(dialog);
            for (int dpi : { 96, 192 })
                for (const std::wstring &overflow : japanese ? Texts() : Overflows(dialog, dpi))
                    shown[which].overflows.push_back(std::to_wstring(dpi) + L" dpi: " + overflow);
        };
    };
    DialogScript script;
    script.Do(note(0)).Click(IDC_OPTIONS_ADD).Do(note(1)).Click(IDC_EDITOR_BROWSE_FILE).Do(note(2));
    script.Click(IDCANCEL).Click(IDCANCEL).Click(IDC_OPTIONS_APPEARANCE).Do(note(3)).Click(IDOK).Click(IDOK);
    EXPECT_EQ(1, script.Run([&] { return DialogBoxParamW(dll, MAKEINTRESOURCEW(IDD_OPTIONS), NULL, procedure, 0); }));
    EXPECT_EQ(0, script.cancelledByScript);

    for (const Shown &dialog : shown) {
        SCOPED_TRACE(dialog.name);
        Texts expected = dialog.templateTexts;
        if (!japanese)
            for (std::wstring &text : expected)
                text = English(text);
        EXPECT_EQ(expected, dialog.texts);
        for (const std::wstring &text : dialog.texts)
            EXPECT_TRUE(japanese || !HasJapanese(text)) << Narrow(text) << " has no English";
        for (const std::wstring &overflow : dialog.overflows)
            ADD_FAILURE() << Narrow(overflow);
    }
}

}  // namespace
