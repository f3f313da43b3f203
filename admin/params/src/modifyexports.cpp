// The exports ModifyStart and ModifyEnd: a parameter editor for programs
// that change parameters and settings without the dialogs (the core calls
// them for TSecRights::ModifyStart and ModifyEnd, after checking the key).

#include "hiddenadminform.h"
#include "keeper_application.h"

#include <wardlock/adminexports.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodbase.h>

#include <memory>
#include <optional>
#include <string>

using Security::THiddenAdminForm;
using Security::TSecParamEd;

// A context on a hidden full administration form; null (the failure shown
// through the application's exception display) when the form could not be
// built.
TSecParamEd* ModifyStart(Security::TSecurity* security, void* window)
{
    Security::keeper::Application().SetHandle(window);
    try {
        auto form = std::make_unique<THiddenAdminForm>(security, window);
        auto* editor = new TSecParamEd(form.get());
        form.release();
        return editor;
    } catch (const std::exception& error) {
        Security::keeper::Application().ShowException(error);
        return nullptr;
    }
}

// Applies the changes, then always destroys the hidden form and the
// context; a failed apply is reported afterwards as message 213.
void ModifyEnd(Security::TSecurity*, void* window, TSecParamEd* editor)
{
    if (!editor)
        return;
    Security::keeper::Application().SetHandle(window);
    // Only an editor ModifyStart made is taken back.
    auto* form = dynamic_cast<THiddenAdminForm*>(editor->Owner);
    if (!form)
        return;
    std::optional<std::string> failure;
    try {
        form->DataModule()->ApplyUpdates();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    delete editor;
    delete form;
    if (failure)
        throw Security::EDBDataUpdateFailed(*failure);
}
