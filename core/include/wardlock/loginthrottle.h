#pragma once
// Failed-login throttling, for security databases that opt in: after
// "LockAfterFails" failed logins of one user name within "LockSeconds"
// seconds, the name is locked for "LockSeconds" seconds. The database counts
// the failures (the procedure RecordLoginFailure, which the runtime account
// may call although it may write no table) and answers whether a name is
// locked (LoginLocked); a locked name is refused like a wrong password.

#include <string_view>

namespace Security::LoginThrottle {

// The setting that names the failures allowed within the period.
inline constexpr char kFailuresSetting[] = "LockAfterFails";
// The setting that names the period and the lock's length, in seconds.
inline constexpr char kPeriodSetting[] = "LockSeconds";
// The lock period when "LockSeconds" gives none.
inline constexpr int kDefaultPeriodSeconds = 900;

// The procedures of an upgraded security database.
inline constexpr char kLockedProcedure[] = "LoginLocked"; // (UserName): a row while locked
inline constexpr char kRecordProcedure[] = "RecordLoginFailure"; // (UserName)
inline constexpr char kClearProcedure[] = "ClearLoginLock"; // (UserID)

// A number setting as the database's procedures read it: 1 to 9 decimal
// digits, surrounding spaces allowed; anything else is 0.
constexpr int SettingNumber(std::string_view value) noexcept
{
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    if (value.empty() || value.size() > 9)
        return 0;
    int number = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return 0;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace Security::LoginThrottle
