// The configuration record: the encrypted application address and the administrator
// password hash, kept in config.dat between launches.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/AtomicFile.h"

namespace delvaronte {

class AppConfig {
public:
    // Base64 of the AES-128-CBC cipher of the application address; empty when not set.
    std::string encryptedUrl;
    // Base64 of the salted SHA-256 digest of the administrator password; empty when not set.
    std::string passwordHash;

    // True when both fields hold something; their contents are not checked.
    bool isConfigured() const { return !encryptedUrl.empty() && !passwordHash.empty(); }

    // The home address: decrypted when set; empty when not set or not readable.
    std::string homeUrl() const;
    // This record with the address encrypted anew and the password hashed anew; an empty
    // entry keeps what the record holds. AppConfig().withEntries(url, password) is the record
    // the set-up dialog makes.
    AppConfig withEntries(std::string_view url, std::string_view password) const;

    // Reads config.dat; any failure gives a record with both fields empty.
    static AppConfig load();
    // Replaces config.dat with this record. A failure is silent and leaves the earlier file.
    void save() const;

    // Same rules on an explicit file (the administrators' tool, tests). loadFrom creates
    // nothing and reads only a regular file of at most kConfigFileLimit bytes; saveTo creates
    // missing parent folders and says whether the file was replaced.
    static AppConfig loadFrom(const std::string& path);
    bool saveTo(const std::string& path,
                const FileSystemCalls& calls = posixFileSystemCalls()) const;

    // The record config.dat's bytes hold (both fields empty when they hold none), and the
    // bytes for this record (nothing when a field is not UTF-8).
    static AppConfig fromJson(std::string_view bytes);
    std::optional<std::string> toJson() const;

    // "<user config dir>/Delvaronte/config.dat", creating the folder when missing. Empty when
    // no user folder is known.
    static std::string configFilePath();

    // Base64 of the cipher of text; empty on any failure (text that is not UTF-8).
    static std::string encrypt(std::string_view text);
    // The plain text back; empty on any failure (bad Base64, bad padding, not UTF-8).
    static std::string decrypt(std::string_view base64);
    // 44 Base64 characters for any UTF-8 password; empty when the password is not UTF-8.
    static std::string hashPassword(std::string_view password);
    // Whether the typed password hashes to passwordHash, compared in constant time.
    bool verifyPassword(std::string_view typed) const;

private:
    enum class CryptDirection { Encrypt, Decrypt };
    struct CryptResult {
        bool ok = false;
        std::string bytes;
    };
    // One-shot AES-128-CBC with PKCS#7 padding over the whole input.
    static CryptResult aesCrypt(CryptDirection direction, std::string_view input,
                                std::string_view key, std::string_view iv);
};

}  // namespace delvaronte
