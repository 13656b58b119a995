#pragma once

#include "ToolbarDelegate.h"

#include <functional>

// The accounts window's toolbar ("account_toolbar"): the wizard, a new
// empty account, the update of the selected account from its server, and
// its deletion. Update and Delete need a selected account.
class AccountToolbar : public ToolbarDelegate {
public:
    static constexpr auto identifier = "account_toolbar";
    static constexpr auto assistantItem = "accounts-assistant";
    static constexpr auto deleteItem = "accounts-delete";
    static constexpr auto newItem = "accounts-new";
    static constexpr auto updateItem = "accounts-update-cache";

    struct Actions {
        std::function<void()> configureAccount;
        std::function<void()> deleteAccount;
        std::function<void()> newAccount;
        std::function<void()> saveAccount;
        // Whether an account is selected.
        std::function<bool()> canRemove;
    };
    explicit AccountToolbar(Actions actions) : m_actions(std::move(actions)) {}

    QStringList toolbarAllowedItemIdentifiers() const override;
    QStringList toolbarDefaultItemIdentifiers() const override;
    ToolbarItem toolbarItem(const QString& identifier) const override;
    bool validateToolbarItem(const QString& identifier) const override;

private:
    Actions m_actions;
};
