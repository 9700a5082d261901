// The Registry tab's "Import...": a registry export becomes Registry rows, all or
// none; what the setup cannot carry is listed instead of imported.
#include <windows.h>

#include "authoring/MainWindow.h"
#include "authoring/RegImport.h"
#include "winlib/Dialogs.h"
#include "winlib/IniFile.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

void TForm1::Button20Click()
{
    winlib::TOpenDialog dialog;
    dialog.Filter = "Registry Files (*.reg)|*.reg";
    dialog.Options |= OFN_FILEMUSTEXIST;
    if (!dialog.Execute(Handle()))
        return;
    std::string bytes;
    try {
        bytes = winlib::ReadWholeFile(dialog.FileName);
    } catch (const winlib::EOSError& error) {
        winlib::ShowMessageBox(Handle(), winlib::SysErrorMessage(error.Code()), kProductTitle, MB_OK | MB_ICONERROR);
        return;
    }
    TRegImportResult result = ParseRegFile(bytes, winlib::TIniFile::MaxValueLength);
    std::string message = RegImportMessage(result);
    if (result.Status != TRegImportResult::Parsed) {
        winlib::ShowMessageBox(Handle(), message, kProductTitle, MB_OK | MB_ICONERROR);
        return;
    }
    winlib::TListView& list = ListView(TListId::Registry);
    for (const TRegImportRow& row : result.Rows)
        list.Add({row.Key, {row.Name, row.Type, row.Data, "Yes", "Yes"}});  // each add marks the project modified
    if (!message.empty())
        winlib::ShowMessageBox(Handle(), message, kProductTitle, MB_OK | MB_ICONWARNING);
}
