#include "shell/Keyring.h"

#include <libsecret/secret.h>

#include <memory>

#include "base/GObjectPtr.h"
#include "base/Identity.h"

namespace delvaronte {

namespace {

// An item is a site's sign-in: its origin, its identifier, and whether it says "never" instead.
const SecretSchema* signInSchema() {
    static const SecretSchema* schema = secret_schema_new(
        (std::string(kApplicationId) + ".SignIn").c_str(), SECRET_SCHEMA_NONE, "origin",
        SECRET_SCHEMA_ATTRIBUTE_STRING, "user", SECRET_SCHEMA_ATTRIBUTE_STRING, "never",
        SECRET_SCHEMA_ATTRIBUTE_STRING, nullptr);
    return schema;
}

using Answer = std::function<void(std::optional<KeptSignIns>)>;

void foundCb(GObject*, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<Answer> answer(static_cast<Answer*>(data));
    GError* error = nullptr;
    GList* items = secret_password_search_finish(result, &error);
    if (error != nullptr) {
        g_error_free(error);
        (*answer)(std::nullopt);
        return;
    }
    KeptSignIns kept;
    for (GList* each = items; each != nullptr; each = each->next) {
        auto* item = static_cast<SecretRetrievable*>(each->data);
        GHashTable* attributes = secret_retrievable_get_attributes(item);
        const auto text = [attributes](const char* name) {
            const auto* value = static_cast<const char*>(g_hash_table_lookup(attributes, name));
            return std::string(value != nullptr ? value : "");
        };
        SecretValue* secret =
            SECRET_IS_ITEM(item) ? secret_item_get_secret(SECRET_ITEM(item)) : nullptr;
        const char* password = secret != nullptr ? secret_value_get_text(secret) : nullptr;
        if (text("never") == "yes") {
            kept.never = true;
        } else if (password != nullptr && !text("user").empty()) {
            kept.signIns.push_back({text("user"), password});
        }
        if (secret != nullptr) secret_value_unref(secret);
        g_hash_table_unref(attributes);
    }
    g_list_free_full(items, g_object_unref);
    (*answer)(std::move(kept));
}

// The item an earlier version kept, moved once its copy is kept: its origin and identifier.
struct Moved {
    std::string former, user;
};

void storedCb(GObject*, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<Moved> moved(static_cast<Moved*>(data));
    // Not kept: the keyring went away, or the user refused to unlock it. Nothing to add, and
    // nothing of the former item lost.
    GError* error = nullptr;
    if (!secret_password_store_finish(result, &error)) {
        g_clear_error(&error);
        return;
    }
    if (moved) {
        secret_password_clear(signInSchema(), nullptr, nullptr, nullptr, "origin",
                              moved->former.c_str(), "user", moved->user.c_str(), nullptr);
    }
}

void store(const std::string& origin, const std::string& user, const char* never,
           const std::string& password, const std::string& former = "") {
    const std::string label = "DELVARONTE " + (user.empty() ? origin : user + " " + origin);
    secret_password_store(signInSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                          password.c_str(), nullptr, storedCb,
                          former.empty() ? nullptr : new Moved{former, user}, "origin",
                          origin.c_str(), "user", user.c_str(), "never", never, nullptr);
}

void search(const std::string& origin, Answer answer) {
    secret_password_search(
        signInSchema(),
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
        nullptr, foundCb, new Answer(std::move(answer)), "origin", origin.c_str(), nullptr);
}

}  // namespace

void findSignIns(const std::string& origin, Answer answer, const std::string& former) {
    search(origin, [origin, former, answer = std::move(answer)](std::optional<KeptSignIns> kept) {
        if (!kept || !kept->signIns.empty() || kept->never || former.empty() || former == origin) {
            answer(std::move(kept));
            return;
        }
        search(former, [origin, former, answer](std::optional<KeptSignIns> earlier) {
            if (earlier) {
                for (const SignIn& each : earlier->signIns) {
                    store(origin, each.user, "no", each.password, former);
                }
                if (earlier->never) store(origin, "", "yes", "", former);
            }
            answer(std::move(earlier));
        });
    });
}

void keepSignIn(const std::string& origin, const SignIn& signIn) {
    store(origin, signIn.user, "no", signIn.password);
}

void neverKeepSignIns(const std::string& origin) {
    store(origin, "", "yes", "");
}

}  // namespace delvaronte
