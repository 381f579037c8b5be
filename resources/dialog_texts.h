// The controls' texts of the full-screen dialogs on a device whose language is not
// Japanese: the templates of tapshelf.rc carry them in Japanese, and a device without
// Japanese glyphs would show rows of empty boxes. The table pairs each Japanese text of the
// templates with the English text that takes its place there.
#pragma once
#include <windows.h>

struct DialogText {
    const WCHAR *japanese;   // as the templates have it
    const WCHAR *english;
};

extern const DialogText kEnglishDialogTexts[];
extern const int kEnglishDialogTextCount;
