#include "accountstore.h"

#include "admin_key_texts.h"
#include "keymix.h"
#include "modifykey_texts.h"

#include <wardlock/encoding.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/types.h>

namespace Lockwright {

namespace {

using Security::TSecParamEd;
using Security::TSecRights;

bool HoldsZeroByte(const tor::pswdsstr<16>& block)
{
    for (std::size_t i = 0; i < 16; ++i)
        if (block[i] == 0)
            return true;
    return false;
}

struct Account {
    tor::pswdsstr<16> user;
    tor::pswdsstr<16> password; // encoded
    bool operator==(const Account&) const = default;
};

Account ReadAccount(const TSecParamEd& editor)
{
    return { editor.GetDBParam(kAccountUserSetting),
        editor.GetPswdDBParam(kAccountPasswordSetting) };
}

void WriteAccount(const TSecParamEd& editor, const Account& account)
{
    editor.SetDBParam(kAccountUserSetting, account.user.c_str());
    editor.SetPswdDBParam(kAccountPasswordSetting, account.password);
}

// Gives the editor back without applying anything it cached.
void DiscardAndEnd(TSecRights& rights, TSecParamEd* editor)
{
    try {
        editor->FullDataModule()->CancelSecParams();
    } catch (...) {
        // Discarding a cache touches no database; ModifyEnd still runs.
    }
    rights.ModifyEnd(editor);
}

// Writes `wanted` through a fresh editor and applies it. The settings write
// does nothing where it is refused, so the rows are read back before the
// apply; on a difference or an error nothing is applied.
bool WriteAndApply(TSecRights& rights, const Account& wanted)
{
    TSecParamEd* editor = rights.ModifyStart(ModifyKey());
    if (!editor)
        return false;
    bool written = false;
    try {
        WriteAccount(*editor, wanted);
        written = ReadAccount(*editor) == wanted;
    } catch (...) {
        DiscardAndEnd(rights, editor);
        throw;
    }
    if (!written) {
        DiscardAndEnd(rights, editor);
        return false;
    }
    rights.ModifyEnd(editor);
    return true;
}

// What the database holds now, read through a new editor (whose module reads
// the rows afresh); none when no editor could be made.
std::optional<Account> StoredAccount(TSecRights& rights)
{
    TSecParamEd* editor = rights.ModifyStart(ModifyKey());
    if (!editor)
        return std::nullopt;
    std::optional<Account> stored;
    try {
        stored = ReadAccount(*editor);
    } catch (...) {
        rights.ModifyEnd(editor);
        throw;
    }
    rights.ModifyEnd(editor);
    return stored;
}

} // namespace

tor::pswdsstr<16> ModifyKey()
{
    using namespace Security;
    // This tool's mixing variant (only the shorter text's positions); the
    // texts are chosen so that it gives the key the core checks.
    return keymix::MixKeyShorter(keymix::AtRunTime(keytexts::kModifyKeyFirst),
        keymix::AtRunTime(keytexts::kModifyKeySecond), keytexts::kMixTable);
}

std::optional<tor::pswdsstr<16>> EncodeAccountPassword(const std::string& password)
{
    // The password's bytes, then zeros, as the module decodes it.
    const tor::pswdsstr<16> encoded = Security::Encode(
        tor::pswdsstr<16>(std::string_view(password)), Security::keytexts::AdminAccountKey());
    if (HoldsZeroByte(encoded))
        return std::nullopt;
    return encoded;
}

StoreResult StoreAccount(TSecRights& rights, const std::string& user, const std::string& password)
{
    constexpr std::size_t kLimit = 16;
    if (user.size() > kLimit || password.size() > kLimit)
        return StoreResult::TooLong;
    const std::optional<tor::pswdsstr<16>> encoded = EncodeAccountPassword(password);
    if (!encoded)
        return StoreResult::PasswordUnstorable;
    // The module ignores settings writes without this right; ask first.
    rights.GetRight(kDesignForm);
    if ((rights.Mask & Security::srModify) == 0)
        return StoreResult::Refused;

    const Account wanted { tor::pswdsstr<16>(std::string_view(user)), *encoded };
    if (!WriteAndApply(rights, wanted))
        return StoreResult::Refused;
    // A failed apply is reported by the module, but leaves the rows as they
    // were: only what the database now holds counts.
    return StoredAccount(rights) == wanted ? StoreResult::Stored : StoreResult::Refused;
}

} // namespace Lockwright
