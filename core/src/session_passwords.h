#pragma once
// The Argon2id strings of one login session, each beside the legacy form of
// the password it was made from. The dialogs hand passwords to the
// administration module in the legacy form; the administration module asks
// here for the Argon2id string to store in its place. Nothing here is the
// password itself.

#include <wardlock/pswdsstr.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Security {

class TSessionPasswords {
public:
    // The logged user's own: kept for the whole session.
    void SetLogged(const tor::pswdsstr<16>& encoded, std::string hash)
    {
        logged_ = Entry { encoded, std::move(hash) };
    }
    void Remember(const tor::pswdsstr<16>& encoded, std::string hash)
    {
        // A dialog encodes a few passwords per session; the oldest go first.
        if (made_.size() == kMostKept)
            made_.erase(made_.begin());
        made_.push_back(Entry { encoded, std::move(hash) });
    }

    // The latest string made for `encoded`, else the logged user's when his
    // password has that legacy form; empty when neither.
    std::string HashFor(const tor::pswdsstr<16>& encoded) const
    {
        for (auto entry = made_.rbegin(); entry != made_.rend(); ++entry)
            if (entry->encoded == encoded)
                return entry->hash;
        return logged_ && logged_->encoded == encoded ? logged_->hash : std::string();
    }

    std::optional<tor::pswdsstr<16>> EncodedFor(std::string_view hash) const
    {
        if (hash.empty())
            return std::nullopt;
        if (logged_ && logged_->hash == hash)
            return logged_->encoded;
        for (const Entry& entry : made_)
            if (entry.hash == hash)
                return entry.encoded;
        return std::nullopt;
    }

    const std::optional<std::pair<tor::pswdsstr<16>, std::string>> Logged() const
    {
        if (!logged_)
            return std::nullopt;
        return std::make_pair(logged_->encoded, logged_->hash);
    }

    void Clear() noexcept
    {
        logged_.reset();
        made_.clear();
    }

private:
    struct Entry {
        tor::pswdsstr<16> encoded;
        std::string hash;
    };
    static constexpr std::size_t kMostKept = 64;
    std::optional<Entry> logged_;
    std::vector<Entry> made_;
};

} // namespace Security
