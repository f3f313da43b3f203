#include <wardlock/encoding.h>

#include "builtin_key_texts.h"
#include "des.h"
#include "keymix.h"
#include "modifykey_texts.h"
#include "stored_form.h"

#include <cstdint>
#include <cstring>

namespace Security {
namespace {

// The block encoding's two schedules: A and B each pass S1, S2, S1, with
// bytes 4-7 and 8-11 swapped between the passes so the halves mix.
class BlockCoder {
public:
    BlockCoder(des::KeySchedule first, des::KeySchedule second) noexcept
        : first_(first)
        , second_(second)
    {
    }

    static BlockCoder ForEncode(const tor::pswdsstr<16>& key) noexcept
    {
        return BlockCoder(
            des::EncryptionSchedule(KeyHalf(key, 0)), des::DecryptionSchedule(KeyHalf(key, 8)));
    }
    static BlockCoder ForDecode(const tor::pswdsstr<16>& key) noexcept
    {
        return BlockCoder(
            des::DecryptionSchedule(KeyHalf(key, 0)), des::EncryptionSchedule(KeyHalf(key, 8)));
    }

    // The 17th byte is left as the input has it.
    tor::pswdsstr<16> operator()(const tor::pswdsstr<16>& data) const noexcept
    {
        std::uint8_t block[16];
        std::memcpy(block, data.data(), 16);
        BothHalves(first_, block);
        SwapMiddle(block);
        BothHalves(second_, block);
        SwapMiddle(block);
        BothHalves(first_, block);
        tor::pswdsstr<16> result = data;
        std::memcpy(result.data(), block, 16);
        return result;
    }

private:
    static const std::uint8_t* KeyHalf(const tor::pswdsstr<16>& key, std::size_t offset) noexcept
    {
        return reinterpret_cast<const std::uint8_t*>(key.data()) + offset;
    }
    static void BothHalves(const des::KeySchedule& schedule, std::uint8_t block[16]) noexcept
    {
        des::CryptBlock(schedule, block, block);
        des::CryptBlock(schedule, block + 8, block + 8);
    }
    static void SwapMiddle(std::uint8_t block[16]) noexcept
    {
        for (int i = 4; i < 8; ++i) {
            const std::uint8_t kept = block[i];
            block[i] = block[i + 4];
            block[i + 4] = kept;
        }
    }

    des::KeySchedule first_;
    des::KeySchedule second_;
};

// No early exit: the time taken does not tell where the first difference lies.
bool EqualInConstantTime(const tor::pswdsstr<16>& a, const tor::pswdsstr<16>& b) noexcept
{
    unsigned char difference = 0;
    for (std::size_t i = 0; i < tor::pswdsstr<16>::size_bytes; ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

tor::pswdsstr<16> Encode(const tor::pswdsstr<16>& data, const tor::pswdsstr<16>& key) noexcept
{
    return BlockCoder::ForEncode(key)(data);
}

tor::pswdsstr<16> Decode(const tor::pswdsstr<16>& data, const tor::pswdsstr<16>& key) noexcept
{
    return BlockCoder::ForDecode(key)(data);
}

tor::pswdsstr<16> IntEncode(const char* password, EncoderHook hook)
{
    const tor::pswdsstr<16> padded = storedform::PaddedPassword(password);
    if (hook)
        return hook(padded.c_str(), "");
    // Built afresh on each use and never kept; the schedules serve the whole
    // search, which may encode up to 4097 blocks.
    const BlockCoder encode = BlockCoder::ForEncode(keytexts::BuiltInPasswordKey());
    return storedform::ZeroFree(padded, encode, keytexts::kStoredFormFallback);
}

bool CheckPswd(const char* password, const tor::pswdsstr<16>& stored, EncoderHook hook)
{
    const bool matches = EqualInConstantTime(IntEncode(password, hook), stored);
    return matches || stored.empty();
}

bool CheckModifyKey(const tor::pswdsstr<16>& key) noexcept
{
    const tor::pswdsstr<16> modifyKey = keymix::MixKey(keymix::AtRunTime(keytexts::kModifyKeyFirst),
        keymix::AtRunTime(keytexts::kModifyKeySecond), keytexts::kMixTable);
    return EqualInConstantTime(key, modifyKey);
}

char* SimpleDecodePasswd(const char* stored, char* out) noexcept
{
    if (!out)
        return out;
    if (!stored) {
        out[0] = 0;
        return out;
    }
    // memmove: a decoder may be handed the stored text's own buffer.
    std::memmove(out, stored, std::strlen(stored) + 1);
    return out;
}

} // namespace Security
