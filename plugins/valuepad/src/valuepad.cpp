// The plug-in's exports: the entry points a parameter type of this plug-in
// names (edit, insert, iterate, rename, key) and the autodetection export.
// The names are plain C symbols; the administration module finds the
// autodetection export as "_TorSecurityGetFunctionNames" (one leading '_' is
// the Windows decoration of a C name).

#include "subparams.h"
#include "userdataedit.h"
#include "valuepad_key_texts.h"

#include <wardlock/keeper/parameditor.h>
#include <wardlock/platform/dialogs.h>

#include <cstring>

using Security::TSecFncNamesRecord;
using Security::TSecParamEd;
using Security::TSecSmpParamEd;
using Valuepad::kSubParams;

extern "C" {

tor::pswdsstr<16> ShowUserEditor(const TSecSmpParamEd& editor, bool& cancelled);
bool ShowUserEditorIns(const TSecParamEd& editor);
bool ShowUserEditorItr(const TSecParamEd& editor);
bool ShowUserEditorRen(const TSecParamEd& editor);
tor::pswdsstr<16> ShowUserEditorKey(const tor::pswdsstr<16>& progID);
void TorSecurityGetFunctionNames(TSecFncNamesRecord* record, void* window);

} // extern "C"

tor::pswdsstr<16> ShowUserEditor(const TSecSmpParamEd& editor, bool& cancelled)
{
    Valuepad::Application().SetHandle(editor.Window);
    Valuepad::TUserDataEdit dialog(&Valuepad::Application(), editor);
    cancelled = dialog.ShowModal() != vcl::mrOk;
    return cancelled ? tor::pswdsstr<16>() : dialog.Value();
}

bool ShowUserEditorIns(const TSecParamEd& editor)
{
    TSecParamEd inserted(editor);
    inserted.Hidden = true;
    inserted.Protected = false;
    for (const auto& sub : kSubParams)
        if (!inserted.InsSubParam(sub.name, sub.fullNameSuffix, sub.description, "", "Default"))
            return false;
    return true;
}

bool ShowUserEditorItr(const TSecParamEd& editor)
{
    if (!editor.Iterate)
        return false;
    for (const auto& sub : kSubParams)
        if (!editor.Iterate(editor, editor.SubParamName(sub.name).c_str()))
            return false;
    return true;
}

bool ShowUserEditorRen(const TSecParamEd& editor)
{
    for (const auto& sub : kSubParams)
        if (!editor.RenSubParam(sub.name, sub.name))
            return false;
    return true;
}

tor::pswdsstr<16> ShowUserEditorKey(const tor::pswdsstr<16>&)
{
    return Security::valuepadkey::Key();
}

void TorSecurityGetFunctionNames(TSecFncNamesRecord* record, void* window)
{
    if (!record)
        return;
    Valuepad::Application().SetHandle(window);
    vcl::MessageBox(window,
        "valuepad 1.0 - user personal data editor.\n"
        "Allows entering basic personal data about user: name and surname, address.",
        "valuepad", vcl::MB_OK | vcl::MB_ICONINFORMATION);
    auto put = [](char(&slot)[256], const char* name) {
        std::memset(slot, 0, sizeof slot);
        std::strncpy(slot, name, sizeof slot - 1);
    };
    put(record->InsFncName, "ShowUserEditorIns");
    put(record->ItrFncName, "ShowUserEditorItr");
    put(record->RenFncName, "ShowUserEditorRen");
    put(record->ShowFncName, "ShowUserEditor");
    put(record->KeyFncName, "ShowUserEditorKey");
    const tor::pswdsstr<16> key
        = ShowUserEditorKey(tor::pswdsstr<16>::from_raw(static_cast<const void*>(record->Key)));
    std::memset(record->Key, 0, sizeof record->Key);
    std::memcpy(record->Key, key.data(), tor::pswdsstr<16>::size_bytes);
}
