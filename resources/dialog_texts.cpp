// The English texts of the dialogs' controls. The Japanese texts are escaped in the
// literals (the compilers of both builds read them alike) and written out in the comments.
// Each English text fits the control it replaces at 96 and at 192 dots per inch; a text
// that two dialogs share is listed once.
#include "resources/dialog_texts.h"

const DialogText kEnglishDialogTexts[] = {
    // IDD_OPTIONS
    { L"\u8FFD\u52A0", L"Add" },                                             // 追加
    { L"\u7DE8\u96C6", L"Edit" },                                            // 編集
    { L"\u524A\u9664", L"Delete" },                                          // 削除
    { L"\uFF75\uFF8C\uFF9F\uFF7C\uFF6E\uFF9D", L"Options" },                 // ｵﾌﾟｼｮﾝ
    { L"\uFF71\uFF9D\uFF72\uFF9D\uFF7D\uFF84\uFF70\uFF99", L"Uninstall" },   // ｱﾝｲﾝｽﾄｰﾙ
    // IDD_ENTRY_EDITOR
    { L"\u540D\u79F0:", L"Name:" },                                          // 名称:
    { L"\uFF8C\uFF67\uFF72\uFF99\uFF8A\uFF9F\uFF7D:", L"File path:" },       // ﾌｧｲﾙﾊﾟｽ:
    { L"\uFF7A\uFF8F\uFF9D\uFF84\uFF9E\uFF97\uFF72\uFF9D:", L"Command line:" },   // ｺﾏﾝﾄﾞﾗｲﾝ:
    // IDD_ENTRY_EDITOR and IDD_FILE_CHOOSER
    { L"\uFF77\uFF6C\uFF9D\uFF7E\uFF99", L"Cancel" },                        // ｷｬﾝｾﾙ
    // IDD_FILE_CHOOSER
    { L"\u30D5\u30A1\u30A4\u30EB", L"File" },                                // ファイル
    // IDD_APPEARANCE
    { L"\u80CC\u666F\uFF8B\uFF9E\uFF6F\uFF84\uFF8F\uFF6F\uFF8C\uFF9F:", L"Background:" },   // 背景ﾋﾞｯﾄﾏｯﾌﾟ:
    { L"\u9818\u57DF\u306B\u5408\u308F\u305B\u3066\uFF8B\uFF9E\uFF6F\uFF84\uFF8F\uFF6F\uFF8C\uFF9F"
      L"\u3092\u4F38\u7E2E\u3059\u308B", L"Stretch the bitmap to fit" },     // 領域に合わせてﾋﾞｯﾄﾏｯﾌﾟを伸縮する
    { L"\u4E0A\u4E0B\u30AD\u30FC\u306E\u307F\u3067\u9805\u76EE\u3092\u64CD\u4F5C",
      L"Up/Down keys only" },                                                // 上下キーのみで項目を操作
    { L"\uFF71\uFF72\uFF7A\uFF9D \uFF7B\uFF72\uFF7D\uFF9E:", L"Icon size:" },   // ｱｲｺﾝ ｻｲｽﾞ:
    { L"\uFF71\uFF72\uFF7A\uFF9D\u9593\u9694 \u3088\u3053:", L"Horizontal spacing:" },   // ｱｲｺﾝ間隔 よこ:
    { L"\uFF71\uFF72\uFF7A\uFF9D\u9593\u9694 \u305F\u3066:", L"Vertical spacing:" },     // ｱｲｺﾝ間隔 たて:
    { L"\uFF73\uFF72\uFF9D\uFF84\uFF9E\uFF73 \u5DE6\uFF8F\uFF70\uFF7C\uFF9E\uFF9D:", L"Left margin:" },     // ｳｲﾝﾄﾞｳ 左ﾏｰｼﾞﾝ:
    { L"\uFF73\uFF72\uFF9D\uFF84\uFF9E\uFF73 \u4E0A\uFF8F\uFF70\uFF7C\uFF9E\uFF9D:", L"Top margin:" },      // ｳｲﾝﾄﾞｳ 上ﾏｰｼﾞﾝ:
    { L"\uFF73\uFF72\uFF9D\uFF84\uFF9E\uFF73 \u53F3\uFF8F\uFF70\uFF7C\uFF9E\uFF9D:", L"Right margin:" },    // ｳｲﾝﾄﾞｳ 右ﾏｰｼﾞﾝ:
    { L"\uFF73\uFF72\uFF9D\uFF84\uFF9E\uFF73 \u4E0B\uFF8F\uFF70\uFF7C\uFF9E\uFF9D:", L"Bottom margin:" },   // ｳｲﾝﾄﾞｳ 下ﾏｰｼﾞﾝ:
};

const int kEnglishDialogTextCount = sizeof kEnglishDialogTexts / sizeof kEnglishDialogTexts[0];
