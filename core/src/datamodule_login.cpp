// The runtime data module's login: the password check against the legacy
// stored form or the Argon2id string, the refusal that takes the same time
// and work whatever refused it, failed-login throttling through the
// database's procedures, and the Argon2id strings a login session makes for
// the administration module.

#include <wardlock/datamodule.h>

#include "session_passwords.h"
#include "text_cut.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/loginthrottle.h>
#include <wardlock/passwordhash.h>

#include <chrono>
#include <thread>

namespace Security {

namespace {

const char* const kHashColumn = "PasswordHash";

// Compared against when the user name is unknown (its outcome is not used).
const tor::pswdsstr<16> kAbsentUserPassword("?AbsentUser?Blk?");

// A refused login lasts at least this long, whichever check refused it. An
// unknown name costs a lookup that loads no row and a wrong password one that
// loads the user's row; on a local database both are well under a
// millisecond and the difference would show. A remote database's lookup
// takes longer, and the difference is then a small share of it.
constexpr std::chrono::milliseconds kRefusalFloor { 5 };

// Verified against when a refusal has not yet cost an Argon2id check, so that
// users stored either way and unknown names take the same time. Made once.
const std::string& StandInHash()
{
    static const std::string hash = PasswordHash::Make("");
    return hash;
}

// Text columns hold stored passwords and encoded values as one character per
// byte, so they are read as raw bytes; another column type as its text.
QByteArray StoredBytes(const vcl::TField& field)
{
    switch (field.DataType()) {
    case vcl::ftString:
    case vcl::ftFixedChar:
    case vcl::ftWideString:
        return field.AsRaw();
    default:
        return QByteArray::fromStdString(field.AsString());
    }
}

// The stored password of a users row: empty for null or empty text, else the
// raw bytes.
tor::pswdsstr<16> StoredPassword(const vcl::TField& field)
{
    if (field.IsNull())
        return {};
    const QByteArray bytes = StoredBytes(field);
    return bytes.isEmpty() ? tor::pswdsstr<16>() : detail::RawValue(bytes);
}

// Waits out the refusal floor when it goes out of scope without Accept(),
// also when a step of the refusal throws.
class RefusalTimer {
public:
    RefusalTimer()
        : started_(std::chrono::steady_clock::now())
    {
    }
    ~RefusalTimer()
    {
        if (!accepted_)
            std::this_thread::sleep_until(started_ + kRefusalFloor);
    }
    void Accept() noexcept { accepted_ = true; }

private:
    std::chrono::steady_clock::time_point started_;
    bool accepted_ = false;
};

} // namespace

// ------------------------------------------------------------ TSecDModBaseFrm

TSecDModBaseFrm::TSecDModBaseFrm(vcl::TComponent* owner)
    : vcl::TComponent(owner)
    , sessionPasswords_(std::make_unique<TSessionPasswords>())
{
}

TSecDModBaseFrm::~TSecDModBaseFrm() = default;

tor::pswdsstr<16> TSecDModBaseFrm::IntEncode(const char* password) const
{
    const tor::pswdsstr<16> encoded = ::Security::IntEncode(password, encoder_);
    if (storesModernForm_)
        sessionPasswords_->Remember(encoded, PasswordHash::Make(password));
    return encoded;
}

bool TSecDModBaseFrm::CheckPswd(const char* password, const tor::pswdsstr<16>& stored) const
{
    const bool matches = ::Security::CheckPswd(password, stored, encoder_);
    return matches && stored != ModernFormMarker();
}

std::string TSecDModBaseFrm::ModernFormOf(const tor::pswdsstr<16>& encoded) const
{
    return sessionPasswords_->HashFor(encoded);
}

std::optional<tor::pswdsstr<16>> TSecDModBaseFrm::EncodedFormOf(std::string_view hash) const
{
    return sessionPasswords_->EncodedFor(hash);
}

void TSecDModBaseFrm::SetLoggedModernForm(const tor::pswdsstr<16>& encoded, std::string hash)
{
    sessionPasswords_->SetLogged(encoded, std::move(hash));
}

void TSecDModBaseFrm::ForgetModernForms() noexcept
{
    sessionPasswords_->Clear();
}

std::optional<tor::pswdsstr<16>> TSecDModBaseFrm::LoggedEncodedForm() const
{
    if (const auto logged = sessionPasswords_->Logged())
        return logged->first;
    return std::nullopt;
}

// ---------------------------------------------------------------- TSecDModFrm

void TSecDModFrm::SetLoginGuard(vcl::TStoredProc* locked, vcl::TStoredProc* recordFailure)
{
    loginLocked_ = locked;
    recordFailure_ = recordFailure;
}

void TSecDModFrm::ReadLoginSettings()
{
    SetStoresModernForm(StoresArgon2id(GetDBParam(kPasswordStorageSetting).c_str()));
    failuresBeforeLock_
        = LoginThrottle::SettingNumber(GetDBParam(LoginThrottle::kFailuresSetting).c_str());
    if (!Throttled())
        return;
    // A database that asks for throttling but cannot count is not used:
    // logging in without the lock it asked for would pass unnoticed.
    if (!loginLocked_ || !recordFailure_)
        throw vcl::Exception("This provider cannot count failed logins");
    loginLocked_->SetStoredProcName(LoginThrottle::kLockedProcedure);
    recordFailure_->SetStoredProcName(LoginThrottle::kRecordProcedure);
    loginLocked_->Prepare();
    recordFailure_->Prepare();
}

bool TSecDModFrm::NameLocked(const std::string& name)
{
    loginLocked_->Close();
    DSSetParam(loginLocked_, "UserName", name.c_str());
    loginLocked_->Open();
    const bool locked = !loginLocked_->IsEmpty();
    loginLocked_->Close();
    return locked;
}

void TSecDModFrm::RecordFailure(const std::string& name)
{
    DSSetParam(recordFailure_, "UserName", name.c_str());
    recordFailure_->ExecProc();
}

std::string TSecDModFrm::RowHash() const
{
    const vcl::TField* field = users_->FindField(kHashColumn);
    return field && !field->IsNull() ? field->AsString() : std::string();
}

bool TSecDModFrm::Login(const char* userName, const char* password)
{
    // Even a failed attempt starts over: nothing from the last login is
    // answered from memory past this point.
    ForgetAnswers();
    if (!users_)
        return false;
    RefusalTimer timer;
    const std::string name = userName ? userName : "";
    // Closed first: a retry with another name must run the query again.
    users_->Close();
    DSSetParam(users_, "Name", name.c_str());
    users_->Open();
    // The database may compare without regard to case; the name must match
    // byte for byte.
    const bool found = !users_->IsEmpty() && users_->FieldByName("Name")->AsString() == name;
    // Asked for every name: a lock is refused after the same checks as a
    // wrong password, and nothing tells a locked name from an unknown one.
    const bool locked = Throttled() && NameLocked(name);
    const std::string hash = found ? RowHash() : std::string();
    bool accepted = false;
    if (!hash.empty()) {
        accepted = PasswordHash::Verify(hash, password);
    } else {
        // One legacy encode and compare for an unknown name too. The marker
        // left in the legacy column of an Argon2id user matches nothing.
        const tor::pswdsstr<16> stored
            = found ? StoredPassword(*users_->FieldByName("Passwd")) : kAbsentUserPassword;
        accepted = CheckPswd(password, stored) && found;
        if (StoresModernForm() && users_->FindField(kHashColumn))
            static_cast<void>(PasswordHash::Verify(StandInHash(), password));
    }
    if (!found || locked || !accepted) {
        if (!found) {
            users_->Close();
            SetLogged(false);
        }
        if (Throttled())
            RecordFailure(name);
        return false;
    }
    timer.Accept();
    // The legacy form of the password just verified stands in for the
    // marker in the user's record, so the dialogs can compare and check it.
    if (!hash.empty())
        SetLoggedModernForm(::Security::IntEncode(password, Encoder()), hash);

    SetLogged(true);
    const int groupID = users_->FieldByName("GroupID")->AsInteger();
    const int userID = users_->FieldByName("UserID")->AsInteger();
    for (vcl::TDataSet* dataSet :
        { Forms, Params, GroupRights, UserRights, GroupParams, UserParams })
        dataSet->Close();
    Forms->Open();
    Params->Open();
    DSSetParam(GroupRights, "GroupID", groupID);
    GroupRights->Open();
    DSSetParam(UserRights, "UserID", userID);
    UserRights->Open();
    DSSetParam(GroupParams, "GroupID", groupID);
    GroupParams->Open();
    DSSetParam(UserParams, "UserID", userID);
    UserParams->Open();
    ForgetAnswers();
    return true;
}

void TSecDModFrm::FillUser(TSecUser& user)
{
    if (!users_ || !users_->Active() || users_->IsEmpty())
        return;
    auto field = [this](const char* name) { return users_->FieldByName(name); };
    auto option = [&](const char* name) {
        return static_cast<SecPasswdOption>(static_cast<std::uint8_t>(field(name)->AsInteger()));
    };
    user.Name = detail::CutText<16>(field("Name")->AsString());
    user.FullName = field("FullName")->AsString();
    user.Passwd = LoggedEncodedForm().value_or(StoredPassword(*field("Passwd")));
    user.UserID = field("UserID")->AsInteger();
    user.GroupID = field("GroupID")->AsInteger();
    user.AllowChangePswd = option("AllowChangePswd");
    user.AllowNullPasswd = option("AllowNullPasswd");
    user.NoChPswdAtLogin = option("NoChPswdAtLogin");
    user.AccountEnabled = option("AccountEnabled");
    user.PasswdControl = option("PasswdControl");
    user.GroupAllowChangePswd = field("GroupAllowChangePswd")->AsBoolean();
    user.GroupAllowNullPasswd = field("GroupAllowNullPasswd")->AsBoolean();
    user.GroupNoChPswdAtLogin = field("GroupNoChPswdAtLogin")->AsBoolean();
    user.GroupAccountEnabled = field("GroupAccountEnabled")->AsBoolean();
    user.GroupPasswdControl = field("GroupPasswdControl")->AsBoolean();
}

} // namespace Security
