// The rules an administrator's entries must pass before they are stored, shared by the
// set-up dialog, the configuration editor and delvaronte-config.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

inline constexpr std::string_view kUrlRuleMessage = "L'URL doit commencer par http:// ou https://";
inline constexpr std::string_view kLengthRuleMessage =
    "Le mot de passe doit contenir au moins 4 caracteres.";
inline constexpr std::string_view kMatchRuleMessage = "Les mots de passe ne correspondent pas.";

// Removes Unicode space separators (category Zs) and tabs at both ends; line breaks stay.
std::string trimEntry(std::string_view text);

// User-perceived characters (extended grapheme clusters).
std::size_t countCharacters(std::string_view text);

// Equal as text: canonically equivalent sequences are equal (é typed as one character or as
// e + combining accent).
bool textsEqual(std::string_view a, std::string_view b);

// Each rule gives its message when it fails.
std::optional<std::string_view> checkUrlRule(std::string_view trimmedUrl);
std::optional<std::string_view> checkLengthRule(std::string_view password);
std::optional<std::string_view> checkMatchRule(std::string_view password,
                                               std::string_view confirmation);

// The first failing rule of the set-up dialog: address, then length, then match.
std::optional<std::string_view> firstSetupFailure(std::string_view trimmedUrl,
                                                  std::string_view password,
                                                  std::string_view confirmation);

// The editor's order: the password rules apply only when a new password was typed.
std::optional<std::string_view> firstEditFailure(std::string_view trimmedUrl,
                                                 std::string_view newPassword,
                                                 std::string_view confirmation);

}  // namespace delvaronte
