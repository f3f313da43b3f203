#pragma once
// Types shared by the core library's interface: the rights mask, the password
// policy and login-type values, the logged user's record, the hook signatures
// and the core's exceptions.

#include <wardlock/encoding.h>
#include <wardlock/platform/exception.h>
#include <wardlock/pswdsstr.h>

#include <cstdint>
#include <string>

namespace Security {

class TSecurity;

// One byte of rights flags; 0 means no right (or no entry).
using SecRightsMask = std::uint8_t;
inline constexpr SecRightsMask srView = 1;
inline constexpr SecRightsMask srInsert = 2;
inline constexpr SecRightsMask srModify = 4;
inline constexpr SecRightsMask srDelete = 8;

// A user's password-policy value. The numbers are stored in the database.
enum SecPasswdOption : std::uint8_t {
    spoOff = 0,
    spoOn = 1,
    spoAsGroup = 2,
};

// The effective value of a policy: the group's flag when the user's value
// defers to it, otherwise whether the user's value is set.
constexpr bool EffectiveOption(SecPasswdOption user, bool group) noexcept
{
    return user == spoAsGroup ? group : user != spoOff;
}

// How an automatic login is performed. Applications store and pass these
// numbers, so they are fixed.
enum SecAutoLoginType : std::uint8_t {
    saltNone = 0, // an automatic login fails at once
    saltSilent = 1, // stored user name and password
    saltDialog = 2, // the login dialog, once
    saltDialogRetry = 3, // the login dialog until success or the user gives up
    saltCallback = 4, // the application's login callback
};

// The logged user's record, filled from the users query at login. The user's
// five policy values are SecPasswdOption bytes, the group's are booleans.
struct TSecUser {
    // The login name and the full name.
    tor::pswdsstr<16> Name;
    std::string FullName;
    tor::pswdsstr<16> Passwd; // the stored form, 17 raw bytes
    // The user's and his group's IDs.
    int UserID = 0;
    int GroupID = 0;
    // The user's own five policy values: off, on, or as the group.
    SecPasswdOption AllowChangePswd = spoOff;
    SecPasswdOption AllowNullPasswd = spoOff;
    SecPasswdOption NoChPswdAtLogin = spoOff;
    SecPasswdOption AccountEnabled = spoOff;
    SecPasswdOption PasswdControl = spoOff;
    // The group's five policy flags.
    bool GroupAllowChangePswd = false;
    bool GroupAllowNullPasswd = false;
    bool GroupNoChPswdAtLogin = false;
    bool GroupAccountEnabled = false;
    bool GroupPasswdControl = false;
    bool GroupForceAddMod = false; // nothing fills it

    // The effective policy: the group's flag when the user's value defers to it.
    bool EffAllowChangePswd() const noexcept
    {
        return EffectiveOption(AllowChangePswd, GroupAllowChangePswd);
    }
    bool EffAllowNullPasswd() const noexcept
    {
        return EffectiveOption(AllowNullPasswd, GroupAllowNullPasswd);
    }
    bool EffNoChPswdAtLogin() const noexcept
    {
        return EffectiveOption(NoChPswdAtLogin, GroupNoChPswdAtLogin);
    }
    bool EffAccountEnabled() const noexcept
    {
        return EffectiveOption(AccountEnabled, GroupAccountEnabled);
    }
    bool EffPasswdControl() const noexcept
    {
        return EffectiveOption(PasswdControl, GroupPasswdControl);
    }
};

// Login type 4: the application logs the user in itself.
using SecLoginCallback = bool (*)(TSecurity* security, void* data);

// Handed through to the administration dialogs unchanged.
using SecDlgDecoder = tor::pswdsstr<16> (*)(const char* text, int a, int b);

// Base of the core library's exceptions.
class ESecExcept : public vcl::Exception {
public:
    using vcl::Exception::Exception;
};

// Binding a rights object performed the security's automatic login and it
// failed.
class ESecAutoLoginFailed : public ESecExcept {
public:
    using ESecExcept::ESecExcept;
};

} // namespace Security
