// Passwords and failed-login locks in the administration data modules. A
// database that stores Argon2id strings gets, for every password set here,
// the string the login session made when the dialog encoded the password,
// with the marker in the legacy column; a database without the string column
// is written exactly as before. Both modules and every provider go through
// here.

#include "formbuild.h"
#include "formstatements.h"
#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/datamodule.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/loginthrottle.h>
#include <wardlock/passwordhash.h>
#include <wardlock/security.h>

namespace Security {

using namespace ValueHelpers;
namespace Sql = FormStatements;

namespace {

const char* const kHashColumn = "PasswordHash";

// The runtime data module of the logged session: it made the Argon2id
// strings of the passwords the dialogs encoded.
const TSecDModBaseFrm* SessionPasswords(const TSecurity* security)
{
    return security ? security->DataModule() : nullptr;
}

} // namespace

void TSecDModSmpDlgFrm::PreparePasswordStorage()
{
    if (UsersPasswordHash || Users->Active())
        return;
    vcl::TQuery probe;
    UseConnection(probe);
    probe.SQL().Add("select * from Users where 1 = 0");
    probe.Open();
    if (!probe.FindField(kHashColumn))
        return;
    UsersPasswordHash = FormBuild::MakeField<vcl::TStringField>(
        this, Users, "UsersPasswordHash", kHashColumn, PasswordHash::kColumnWidth);
    UpdateUsers->ModifySQL().SetText(Sql::UpdateUsersWithHash.modify);
    UpdateUsers->InsertSQL().SetText(Sql::UpdateUsersWithHash.insert);
    if (positionalUserUpdates_)
        for (auto kind : { vcl::ukModify, vcl::ukInsert })
            FormBuild::BindByPosition(UpdateUsers->Query(kind));
}

TSecDModSmpDlgFrm::TStoredPasswd TSecDModSmpDlgFrm::StoredFormOf(const tor::pswdsstr<16>& passwd,
    const tor::pswdsstr<16>& current, const std::string& currentHash) const
{
    const QVariant none(QMetaType(QMetaType::QString));
    if (!HasPasswordHashColumn())
        return { passwd, none };
    const TSecDModBaseFrm* session = SessionPasswords(Security());
    if (!currentHash.empty()) {
        // Unchanged: the row's marker, or the legacy form of the password
        // this session verified against the row's string.
        const bool same = passwd == current
            || (session && session->EncodedFormOf(currentHash) == std::optional(passwd));
        if (same)
            return { current, QString::fromStdString(currentHash) };
    }
    // The empty value means "no password" and stays what it is.
    if (session && session->StoresModernForm() && !passwd.empty()) {
        const std::string hash = session->ModernFormOf(passwd);
        if (!hash.empty())
            return { ModernFormMarker(), QString::fromStdString(hash) };
    }
    return { passwd, none };
}

void TSecDModDlgFrm::WritePasswordHash(const char* name, const QVariant& hash)
{
    vcl::TQuery write;
    UseConnection(write);
    write.SQL().Add("update Users set PasswordHash = :PasswordHash where Name = :Name");
    write.ParamByName("PasswordHash").SetValue(hash);
    SetQueryParamAsString(&write, "Name", name);
    write.ExecSQL();
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::CurrentUserPasswd() const
{
    const tor::pswdsstr<16> stored = Raw16(UsersPasswd);
    const TSecDModBaseFrm* session = SessionPasswords(Security());
    if (!UsersPasswordHash || UsersPasswordHash->IsNull() || !session)
        return stored;
    return session->EncodedFormOf(UsersPasswordHash->AsString()).value_or(stored);
}

std::string TSecDModSmpDlgFrm::LoginLockEnd(int userID)
{
    if (!HasPasswordHashColumn())
        return {};
    const QVariant name = Users->Lookup("UserID", { userID }, "Name");
    if (name.isNull())
        return {};
    vcl::TStoredProc locked;
    UseConnection(locked);
    locked.SetStoredProcName(LoginThrottle::kLockedProcedure);
    locked.Prepare();
    SetQueryParamAsString(&locked, "UserName", name.toString().toUtf8().constData());
    locked.Open();
    return locked.IsEmpty() ? std::string() : locked.Fields(0)->AsString();
}

void TSecDModSmpDlgFrm::ClearLoginLock(int userID)
{
    if (!HasPasswordHashColumn())
        return;
    try {
        vcl::TStoredProc clear;
        UseConnection(clear);
        clear.SetStoredProcName(LoginThrottle::kClearProcedure);
        clear.Prepare();
        SetQueryParamAsInteger(&clear, "UserID", userID);
        Transacted([&] { clear.ExecProc(); });
    } catch (const std::exception& error) {
        throw EDBOperationFailed(error.what());
    }
}

} // namespace Security
