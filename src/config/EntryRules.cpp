#include "config/EntryRules.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <memory>

#include "base/Utf8.h"

namespace delvaronte {

namespace {

constexpr std::size_t kMinimumPasswordLength = 4;

bool isTrimmed(UChar32 c) {
    return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

const uint8_t* unsignedBytes(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

}  // namespace

std::string trimEntry(std::string_view text) {
    const uint8_t* s = unsignedBytes(text);
    const auto length = static_cast<int32_t>(text.size());

    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(s, next, length, c);
        if (c < 0 || !isTrimmed(c)) break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(s, start, previous, c);
        if (c < 0 || !isTrimmed(c)) break;
        end = previous;
    }
    return std::string(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

std::size_t countCharacters(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> utext(
        utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status),
        &utext_close);
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) return text.size();  // no ICU data: counting bytes is the safe side
    breaks->setText(utext.get(), status);
    if (U_FAILURE(status)) return text.size();

    std::size_t count = 0;
    for (int32_t at = breaks->next(); at != icu::BreakIterator::DONE; at = breaks->next()) ++count;
    return count;
}

bool textsEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    // Decoding would turn every ill-formed byte into U+FFFD and make different bytes equal.
    if (!isValidUtf8(a) || !isValidUtf8(b)) return false;

    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) return false;
    const icu::UnicodeString first =
        nfd->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(a.data(), a.size())), status);
    const icu::UnicodeString second =
        nfd->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(b.data(), b.size())), status);
    return U_SUCCESS(status) && first == second;
}

std::optional<std::string_view> checkUrlRule(std::string_view trimmedUrl) {
    if (trimmedUrl.empty() ||
        (!trimmedUrl.starts_with("http://") && !trimmedUrl.starts_with("https://"))) {
        return kUrlRuleMessage;
    }
    return std::nullopt;
}

std::optional<std::string_view> checkLengthRule(std::string_view password) {
    if (countCharacters(password) < kMinimumPasswordLength) return kLengthRuleMessage;
    return std::nullopt;
}

std::optional<std::string_view> checkMatchRule(std::string_view password,
                                               std::string_view confirmation) {
    if (!textsEqual(password, confirmation)) return kMatchRuleMessage;
    return std::nullopt;
}

std::optional<std::string_view> firstSetupFailure(std::string_view trimmedUrl,
                                                  std::string_view password,
                                                  std::string_view confirmation) {
    if (auto failure = checkUrlRule(trimmedUrl)) return failure;
    if (auto failure = checkLengthRule(password)) return failure;
    return checkMatchRule(password, confirmation);
}

std::optional<std::string_view> firstEditFailure(std::string_view trimmedUrl,
                                                 std::string_view newPassword,
                                                 std::string_view confirmation) {
    if (auto failure = checkUrlRule(trimmedUrl)) return failure;
    if (newPassword.empty()) return std::nullopt;
    if (auto failure = checkLengthRule(newPassword)) return failure;
    return checkMatchRule(newPassword, confirmation);
}

}  // namespace delvaronte
