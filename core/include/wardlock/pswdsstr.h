#pragma once
// tor::pswdsstr<N>: a fixed value of N characters and a zero terminator that
// carries user names, passwords, parameter values and encoded blocks across
// every library boundary. It is copied and compared over all N + 1 bytes, so
// an encoded block (arbitrary bytes, possibly above 127) survives unchanged.

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include <QByteArray>

namespace tor {

// A fixed text of at most N characters and a terminator (N + 1 bytes), copied and compared over all
// its bytes; it carries user names, passwords, parameter values and encoded blocks across the
// libraries' boundaries. pswdsstr<16> is 17 bytes.
template<std::size_t N> class pswdsstr {
public:
    // Total size in bytes: N characters and the terminator.
    static constexpr std::size_t size_bytes = N + 1;

    constexpr pswdsstr() noexcept = default;

    // From text: at most N characters are copied, the rest is zero. A null
    // pointer gives the empty value. Implicit, as callers pass plain texts.
    constexpr pswdsstr(const char* text) noexcept
    {
        if (!text)
            return;
        for (std::size_t i = 0; i < N && text[i]; ++i)
            bytes_[i] = text[i];
    }

    // From text that may not be zero-terminated; stops at a zero byte too.
    constexpr explicit pswdsstr(std::string_view text) noexcept
    {
        for (std::size_t i = 0; i < N && i < text.size() && text[i]; ++i)
            bytes_[i] = text[i];
    }

    // From the bytes of `text`, as the string_view form.
    explicit pswdsstr(const QByteArray& text) noexcept
        : pswdsstr(std::string_view(text.constData(), static_cast<std::size_t>(text.size())))
    {
    }

    // All N + 1 bytes as they are (an encoded block read from storage). The
    // terminator is not forced, so the value compares equal to what was stored.
    static constexpr pswdsstr from_raw(const std::array<char, size_bytes>& raw) noexcept
    {
        pswdsstr value;
        value.bytes_ = raw;
        return value;
    }
    static pswdsstr from_raw(const void* raw) noexcept
    {
        pswdsstr value;
        std::memcpy(value.bytes_.data(), raw, size_bytes);
        return value;
    }

    // The N + 1 bytes.
    constexpr char* data() noexcept { return bytes_.data(); }
    constexpr const char* data() const noexcept { return bytes_.data(); }
    // The text up to its first zero byte. Terminated as long as byte N is
    // zero, which holds for everything the system makes (from_raw keeps
    // whatever it was given).
    constexpr const char* c_str() const noexcept { return bytes_.data(); }

    // Byte `index` (0 to N, unchecked).
    constexpr char& operator[](std::size_t index) noexcept { return bytes_[index]; }
    constexpr char operator[](std::size_t index) const noexcept { return bytes_[index]; }

    // True when the text is empty (the first byte is zero).
    constexpr bool empty() const noexcept { return bytes_[0] == 0; }
    // Characters before the first zero byte, never more than N.
    constexpr std::size_t length() const noexcept
    {
        std::size_t n = 0;
        while (n < N && bytes_[n])
            ++n;
        return n;
    }

    // The text as bytes (no character conversion; an encoded block keeps its
    // bytes above 127).
    std::string str() const { return std::string(bytes_.data(), length()); }
    QByteArray toByteArray() const
    {
        return QByteArray(bytes_.data(), static_cast<qsizetype>(length()));
    }

    // Equal when all N + 1 bytes are equal.
    friend constexpr bool operator==(const pswdsstr&, const pswdsstr&) noexcept = default;

private:
    std::array<char, size_bytes> bytes_ {};
};

static_assert(sizeof(pswdsstr<16>) == 17);
static_assert(std::is_trivially_copyable_v<pswdsstr<16>>);

} // namespace tor
