#include "databasetype.h"

#include "keeper_application.h"
#include "securitydatabaseeditfrm.h"
#include "stored_form.h"

#include <wardlock/platform/dialogs.h>

#include <memory>

namespace Security::DatabaseType {

namespace {

struct TSubParam {
    const char* name;
    const char* fullNameSuffix;
    const char* description;
};

const TSubParam kSubParams[] = {
    { kUserSub, " - U\u017Cytkownik", "Internal[DBEditor] - UserName" },
    { kPasswdSub, " - Has\u0142o", "Internal[DBEditor] - Password" },
};

// A text column keeps the bytes up to the first zero: any after it are lost.
bool LosesBytesAsText(const tor::pswdsstr<16>& block)
{
    for (std::size_t i = block.length(); i < 16; ++i)
        if (block[i] != 0)
            return true;
    return false;
}

} // namespace

// Function pointers of different types meet through void (*)().
void SetDecoder(TSecSmpParamEd& context, SecDlgDecoder decoder)
{
    context.Iterate
        = reinterpret_cast<TSecSmpParamEd::Callback>(reinterpret_cast<void (*)()>(decoder));
}

SecDlgDecoder DecoderOf(const TSecSmpParamEd& context)
{
    return reinterpret_cast<SecDlgDecoder>(reinterpret_cast<void (*)()>(context.Iterate));
}

bool Insert(const TSecParamEd& context)
{
    TSecParamEd hidden(context);
    hidden.Hidden = true;
    for (const TSubParam& sub : kSubParams)
        if (!hidden.InsSubParam(sub.name, sub.fullNameSuffix, sub.description, "", "Default"))
            return false;
    return true;
}

bool Iterate(const TSecSmpParamEd& context)
{
    if (!context.Iterate)
        return false;
    for (const TSubParam& sub : kSubParams)
        if (!context.Iterate(context, context.SubParamName(sub.name).c_str()))
            return false;
    return true;
}

bool Rename(const TSecParamEd& context)
{
    for (const TSubParam& sub : kSubParams)
        if (!context.RenSubParam(sub.name, sub.name))
            return false;
    return true;
}

std::optional<tor::pswdsstr<16>> StoredPassword(
    const TSecSmpParamEd& context, const std::string& text)
{
    const SecDlgDecoder decoder = DecoderOf(context);
    const tor::pswdsstr<16> stored = decoder
        ? decoder(text.c_str(), context.Keys[0], context.Keys[1])
        : storedform::PaddedPassword(text.c_str());
    if (LosesBytesAsText(stored))
        return std::nullopt;
    return stored;
}

tor::pswdsstr<16> Edit(const TSecSmpParamEd& context, bool& cancelled)
{
    auto form = std::make_unique<TSecurityDatabaseEditFrm>(
        &keeper::Application(), const_cast<TSecSmpParamEd*>(&context));
    cancelled = form->ShowModal() != vcl::mrOk;
    return cancelled ? tor::pswdsstr<16>() : form->Value();
}

} // namespace Security::DatabaseType
