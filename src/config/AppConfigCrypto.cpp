// The cipher of the application address and the password hash.
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <climits>
#include <memory>

#include "base/Utf8.h"
#include "config/AppConfig.h"
#include "config/Base64.h"

namespace delvaronte {

namespace {

constexpr std::string_view kKey = "Morlendia2031#Qx";
constexpr std::string_view kVector = "LV9.4-SeedBlocks";
constexpr size_t kKeyLength = 16;
constexpr size_t kBlockSize = 16;

// Ten letters and a colon, kept out of the program's readable strings and put together
// when a password is hashed.
std::string hashPrefix() {
    static constexpr std::array<unsigned char, 11> kMasked = {0x1d, 0x28, 0x33, 0x2c, 0x35, 0x36,
                                                              0x3b, 0x34, 0x39, 0x3f, 0x60};
    std::string prefix;
    for (const unsigned char c : kMasked) prefix += static_cast<char>(c ^ 0x5A);
    return prefix;
}

const unsigned char* bytesOf(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

AppConfig::CryptResult AppConfig::aesCrypt(CryptDirection direction, std::string_view input,
                                           std::string_view key, std::string_view iv) {
    CryptResult result;
    if (key.size() != kKeyLength || iv.size() != kBlockSize) return result;
    if (input.size() > static_cast<size_t>(INT_MAX) - kBlockSize) return result;

    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(
        EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!context) return result;
    const int encrypting = direction == CryptDirection::Encrypt ? 1 : 0;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, bytesOf(key), bytesOf(iv),
                          encrypting) != 1) {
        return result;
    }

    std::string output(input.size() + kBlockSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(output.data());
    int updated = 0;
    int finished = 0;
    if (EVP_CipherUpdate(context.get(), out, &updated, bytesOf(input),
                         static_cast<int>(input.size())) != 1 ||
        EVP_CipherFinal_ex(context.get(), out + updated, &finished) != 1) {
        return result;
    }
    output.resize(static_cast<size_t>(updated) + static_cast<size_t>(finished));
    result.ok = true;
    result.bytes = std::move(output);
    return result;
}

std::string AppConfig::encrypt(std::string_view text) {
    if (!isValidUtf8(text)) return {};
    const CryptResult result = aesCrypt(CryptDirection::Encrypt, text, kKey, kVector);
    return result.ok ? base64Encode(result.bytes) : std::string();
}

std::string AppConfig::decrypt(std::string_view base64) {
    const auto cipher = base64Decode(base64);
    if (!cipher) return {};
    CryptResult result = aesCrypt(CryptDirection::Decrypt, *cipher, kKey, kVector);
    if (!result.ok || !isValidUtf8(result.bytes)) return {};
    return std::move(result.bytes);
}

std::string AppConfig::hashPassword(std::string_view password) {
    if (!isValidUtf8(password)) return {};
    const std::string input = hashPrefix() + std::string(password);
    std::array<unsigned char, 32> digest{};
    unsigned int length = 0;
    if (EVP_Digest(input.data(), input.size(), digest.data(), &length, EVP_sha256(), nullptr) !=
            1 ||
        length != digest.size()) {
        return {};
    }
    return base64Encode(std::string_view(reinterpret_cast<const char*>(digest.data()), length));
}

bool AppConfig::verifyPassword(std::string_view typed) const {
    const std::string computed = hashPassword(typed);
    // A password that cannot be hashed must not match a record whose hash is empty too.
    if (computed.empty() || computed.size() != passwordHash.size()) return false;
    return CRYPTO_memcmp(computed.data(), passwordHash.data(), computed.size()) == 0;
}

}  // namespace delvaronte
