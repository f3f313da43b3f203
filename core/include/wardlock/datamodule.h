#pragma once
// The runtime data module: the abstract TSecDModBaseFrm (the thirteen
// operations the core calls) and the database-neutral TSecDModFrm, which
// answers login, rights and parameter questions from the datasets a provider
// creates. Providers derive their data module from TSecDModFrm, connect in
// PrepareLogin and call the TSecDModFrm versions as part of theirs.

#include <wardlock/encoding.h>
#include <wardlock/platform/component.h>
#include <wardlock/pswdsstr.h>
#include <wardlock/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vcl {
class TBooleanField;
class TDataSet;
class TField;
class TIntegerField;
class TStoredProc;
class TStringField;
} // namespace vcl

namespace Security {

class TSessionPasswords;

// The runtime data module's interface: logs a user in and answers the rights and parameter
// questions of one security database. A provider makes it and deletes it (see DBProviderBase); the
// core only calls it.
class TSecDModBaseFrm : public vcl::TComponent {
public:
    // Made by a provider for the security `owner` (which owns it).
    explicit TSecDModBaseFrm(vcl::TComponent* owner);
    ~TSecDModBaseFrm() override;

    // Connects to the database with the database account's password; false when the connection or
    // the database check fails.
    virtual bool PrepareLogin(const char* dbPassword) = 0;
    // Ends the login phase (closes what only the login needed).
    virtual void PostLogin() = 0;
    // Looks the user up and checks his password; true when he is logged in.
    virtual bool Login(const char* userName, const char* password) = 0;
    // Closes the user's session; the datasets are closed.
    virtual void Logout() = 0;
    // The form's rights mask; formID := the form's id, -1 when unknown.
    virtual int GetRight(const char* formName, int& formID) = 0;
    virtual int GetRight(int formID) = 0;
    // A parameter's value for the logged user (paramID := its ID, -1 when unknown); empty when
    // unknown.
    virtual tor::pswdsstr<16> GetParam(const char* paramName, int& paramID) = 0;
    virtual tor::pswdsstr<16> GetParam(int paramID) = 0;
    // A password-type parameter's value as stored.
    virtual tor::pswdsstr<16> GetPswdParam(const char* paramName, int& paramID) = 0;
    virtual tor::pswdsstr<16> GetPswdParam(int paramID) = 0;
    // A database-wide setting (SecurityParams), and a password-type one as stored.
    virtual tor::pswdsstr<16> GetDBParam(const char* name) = 0;
    virtual tor::pswdsstr<16> GetPswdDBParam(const char* name) = 0;
    // Fills the user record from the logged user's rows.
    virtual void FillUser(TSecUser& user) = 0;

    // The legacy stored form of a password, through this data module's
    // encoder hook when one is set; the dialogs hand passwords on in this
    // form. While the database stores Argon2id strings (StoresModernForm) it
    // also makes the password's Argon2id string and keeps it for this login
    // (ModernFormOf); that may throw std::runtime_error (no memory for it).
    tor::pswdsstr<16> IntEncode(const char* password) const;
    // The legacy check (an empty stored form passes any password); the
    // marker of a user stored as an Argon2id string matches no password.
    bool CheckPswd(const char* password, const tor::pswdsstr<16>& stored) const;

    // The Argon2id string this login made from the password whose legacy
    // form is `encoded` (IntEncode, or the logged user's own password at
    // login); empty when there is none. The administration module stores it
    // in place of the legacy form.
    std::string ModernFormOf(const tor::pswdsstr<16>& encoded) const;
    // The legacy form of the password an Argon2id string of this login was
    // made from; none for a string this login did not make or verify.
    std::optional<tor::pswdsstr<16>> EncodedFormOf(std::string_view hash) const;
    // Whether the database asks for Argon2id strings ("PasswordStorage"),
    // as read when the login was prepared.
    bool StoresModernForm() const noexcept { return storesModernForm_; }

    // True while a user is logged in.
    bool Logged() const noexcept { return logged_; }
    // The password encoder hook (null: the built-in encoding).
    EncoderHook Encoder() const noexcept { return encoder_; }
    void SetEncoder(EncoderHook encoder) noexcept { encoder_ = encoder; }

protected:
    // Set by the providers' Login and Logout.
    void SetLogged(bool logged) noexcept { logged_ = logged; }
    void SetStoresModernForm(bool stores) noexcept { storesModernForm_ = stores; }
    // The logged user's password: its legacy form and its Argon2id string.
    void SetLoggedModernForm(const tor::pswdsstr<16>& encoded, std::string hash);
    // A new login session starts: nothing of the last one is kept.
    void ForgetModernForms() noexcept;
    // The legacy form of the logged user's password when it is stored as an
    // Argon2id string; none otherwise.
    std::optional<tor::pswdsstr<16>> LoggedEncodedForm() const;

private:
    bool logged_ = false;
    bool storesModernForm_ = false;
    EncoderHook encoder_ = nullptr;
    // Mutable: IntEncode, a question about a password, keeps what it made.
    mutable std::unique_ptr<TSessionPasswords> sessionPasswords_;
};

// The runtime data module of the dataset layer: the datasets and queries the providers fill and the
// answers they share.
class TSecDModFrm : public TSecDModBaseFrm {
public:
    // A data module without a name, database or user.
    explicit TSecDModFrm(vcl::TComponent* owner);
    // The three texts are for the providers; this level ignores them.
    TSecDModFrm(vcl::TComponent* owner, const char* name, const char* database, const char* user);
    ~TSecDModFrm() override;

    // Checks the database signature ("Wrong Database" when it is missing or
    // holds another value). The providers connect before calling it.
    bool PrepareLogin(const char* dbPassword) override;
    // Closes the users dataset.
    void PostLogin() override;
    // A refusal (unknown name, name in another case, wrong password, a name
    // locked after failed logins) lasts at least 5 ms whichever it is, and
    // costs the same password check, so its time does not tell which names
    // exist. A user with an Argon2id string is checked against it, any other
    // against the legacy form. While the database throttles failed logins,
    // every refusal is recorded there.
    bool Login(const char* userName, const char* password) override;
    void Logout() override;
    int GetRight(const char* formName, int& formID) override;
    int GetRight(int formID) override;
    tor::pswdsstr<16> GetParam(const char* paramName, int& paramID) override;
    tor::pswdsstr<16> GetParam(int paramID) override;
    tor::pswdsstr<16> GetPswdParam(const char* paramName, int& paramID) override;
    tor::pswdsstr<16> GetPswdParam(int paramID) override;
    tor::pswdsstr<16> GetDBParam(const char* name) override;
    tor::pswdsstr<16> GetPswdDBParam(const char* name) override;
    void FillUser(TSecUser& user) override;

    // Set a named parameter of a query (or stored procedure) of the provider.
    virtual void DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value) = 0;
    virtual void DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value) = 0;

    // The datasets (created by the provider's form) and their bound fields.
    vcl::TDataSet* Forms = nullptr;
    vcl::TDataSet* Params = nullptr;
    vcl::TDataSet* GroupRights = nullptr;
    vcl::TDataSet* UserRights = nullptr;
    vcl::TDataSet* GroupParams = nullptr;
    vcl::TDataSet* UserParams = nullptr;
    vcl::TDataSet* SecurityParams = nullptr;

    // Forms and Params are read through these (the lookups must not search
    // the field list by name on every call).
    vcl::TIntegerField* FormsFormID = nullptr;
    vcl::TStringField* FormsName = nullptr;
    vcl::TIntegerField* ParamsParamID = nullptr;
    vcl::TStringField* ParamsName = nullptr;
    vcl::TIntegerField* GroupRightsFormID = nullptr;
    vcl::TBooleanField* GroupRightsView = nullptr;
    vcl::TBooleanField* GroupRightsInsert = nullptr;
    vcl::TBooleanField* GroupRightsModify = nullptr;
    vcl::TBooleanField* GroupRightsDelete = nullptr;
    vcl::TIntegerField* UserRightsFormID = nullptr;
    vcl::TBooleanField* UserRightsView = nullptr;
    vcl::TBooleanField* UserRightsInsert = nullptr;
    vcl::TBooleanField* UserRightsModify = nullptr;
    vcl::TBooleanField* UserRightsDelete = nullptr;
    vcl::TIntegerField* GroupParamsParamID = nullptr;
    vcl::TStringField* GroupParamsValue = nullptr;
    vcl::TIntegerField* UserParamsParamID = nullptr;
    vcl::TStringField* UserParamsValue = nullptr;
    vcl::TStringField* SecurityParamsName = nullptr;
    vcl::TStringField* SecurityParamsValue = nullptr;

    // The users query (null outside a login's preparation).
    vcl::TDataSet* UsersDataSet() const noexcept { return users_; }

protected:
    // Called by the provider's form once it has made its seven datasets
    // (owned by this data module): keeps them and creates the bound fields
    // under their component names.
    void SetDataSets(vcl::TDataSet* forms, vcl::TDataSet* params, vcl::TDataSet* groupRights,
        vcl::TDataSet* userRights, vcl::TDataSet* groupParams, vcl::TDataSet* userParams,
        vcl::TDataSet* securityParams);

    // Called by the provider's form with its two procedures of failed-login
    // throttling (owned by this data module, connected like the datasets):
    // "LoginLocked" and "RecordLoginFailure". They are only called while the
    // database's settings switch throttling on.
    void SetLoginGuard(vcl::TStoredProc* locked, vcl::TStoredProc* recordFailure);

    // The provider creates and frees the users query.
    vcl::TDataSet* users_ = nullptr;

private:
    // The database's settings of password storage and throttling; with
    // throttling on, its two procedures must exist (else this throws).
    void ReadLoginSettings();
    // Whether the database throttles failed logins (read at preparation).
    bool Throttled() const noexcept { return failuresBeforeLock_ > 0; }
    bool NameLocked(const std::string& name);
    void RecordFailure(const std::string& name);
    // The Argon2id string of the users row, empty when it has none.
    std::string RowHash() const;

    vcl::TStoredProc* loginLocked_ = nullptr;
    vcl::TStoredProc* recordFailure_ = nullptr;
    int failuresBeforeLock_ = 0;

    // Answers already given since the datasets were last opened or closed.
    struct Memo;
    // Forgets every remembered answer: called whenever the datasets may
    // change (login, logout, preparation, and any open, close or refresh).
    void ForgetAnswers() noexcept;
    std::unique_ptr<Memo> memo_;

    int UserOrGroupMask(int formID);
    // Moves the user's (else the group's) value dataset to `paramID`; the
    // found value field, or null.
    vcl::TStringField* LocateValue(int paramID);
    int FindParamID(const char* paramName);
    bool ValuesReady() const;
    int LocateRight(const char* formName, int& formID);
    tor::pswdsstr<16> LocateParam(int paramID);
    tor::pswdsstr<16> LocatePswdParam(int paramID);
    tor::pswdsstr<16> LocateDBParam(const char* name);
    tor::pswdsstr<16> LocatePswdDBParam(const char* name);
};

} // namespace Security
