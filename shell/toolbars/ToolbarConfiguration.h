#pragma once

#include <QStringList>
#include <Qt>
#include <optional>

class UserDefaults;

// A toolbar's saved configuration: its items in order, how its buttons show
// and whether it is shown. Kept in the user defaults under the toolbar's
// identifier as a dictionary, so every window with that toolbar shares it.
struct ToolbarConfiguration {
    QStringList items;
    Qt::ToolButtonStyle style = Qt::ToolButtonTextUnderIcon;
    bool visible = true;

    // The stored configuration of `toolbar`; nothing when none is stored or
    // the stored value is not one (then the toolbar shows its default set).
    static std::optional<ToolbarConfiguration> load(const UserDefaults& defaults,
                                                    const QString& toolbar);
    void save(UserDefaults& defaults, const QString& toolbar) const;

    // The items of `wanted` a toolbar may show, in order: identifiers the
    // window does not allow (an add-on removed since) are left out, and so is
    // the second appearance of an item that may stand only once.
    static QStringList usableItems(const QStringList& wanted, const QStringList& allowed);

    friend bool operator==(const ToolbarConfiguration&, const ToolbarConfiguration&) = default;
};
