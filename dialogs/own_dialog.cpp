#include "dialogs/own_dialog.h"
#include <commctrl.h>

// The template as the dialog functions take it, or NULL. The handle LoadResource answers
// for a module's resource is the resource's address: the device's coredll has no
// LockResource to turn one into the other (its SDK makes LockResource a macro that answers
// the handle itself), and on the desktop the handle is the address too.
static LPCDLGTEMPLATE LoadOwnTemplate(HINSTANCE module, int templateId)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId), (LPCWSTR)RT_DIALOG);
    if (!found)
        return NULL;
    return (LPCDLGTEMPLATE)LoadResource(module, found);
}

BOOL RunOwnDialog(HINSTANCE module, int templateId, HWND owner, DLGPROC procedure, LPARAM start,
                  INT_PTR *result)
{
    LPCDLGTEMPLATE dialogTemplate = LoadOwnTemplate(module, templateId);
    if (!dialogTemplate)
        return FALSE;
    INT_PTR answer = DialogBoxIndirectParamW(module, dialogTemplate, owner, procedure, start);
    if (result)
        *result = answer;
    return TRUE;
}

HWND CreateOwnDialog(HINSTANCE module, int templateId, HWND owner, DLGPROC procedure, LPARAM start)
{
    LPCDLGTEMPLATE dialogTemplate = LoadOwnTemplate(module, templateId);
    if (!dialogTemplate)
        return NULL;
    return CreateDialogIndirectParamW(module, dialogTemplate, owner, procedure, start);
}

BOOL RegisterDialogControls()
{
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    return InitCommonControlsEx(&controls);
}
