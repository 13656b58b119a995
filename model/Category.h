#pragma once

#include "Archivable.h"
#include "Genetic.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <QVariantMap>
#include <optional>
#include <span>

// One category or tag, of a blog (its full list) or of an entry (its chosen ones).
// Renaming one renames the categories of the old name in the same blog (its list
// and its entries); other blogs' servers still know theirs by the old name.
class Category : public Genetic, public Archivable {
    Q_OBJECT
public:
    explicit Category(QObject* parent = nullptr);
    ~Category() override;

    // The flag getters store and return their default when unset.
    bool isChecked() const;
    bool isPrimary() const;
    bool isTag() const;
    bool isCategory() const;
    void setIsChecked(std::optional<bool> value);
    void setIsPrimary(std::optional<bool> value);
    void setIsTag(std::optional<bool> value);
    void setIsCategory(std::optional<bool> value);

    // The flags as stored, unset ones as nullopt.
    std::optional<bool> storedIsChecked() const { return m_isChecked; }
    std::optional<bool> storedIsPrimary() const { return m_isPrimary; }
    std::optional<bool> storedIsTag() const { return m_isTag; }
    std::optional<bool> storedIsCategory() const { return m_isCategory; }

    // A rename of an existing title posts "didRenameCategory" (object: this
    // category) so that its blog can rename the others of that name. The display
    // name is the title without tags, its entities kept as written.
    void setTitle(const QString& title) override;

    QVariantMap dictionary() const;
    static CategoryPtr fromDictionary(const QVariantMap& dictionary);
    static CategoryPtr withTitle(const QString& title);

    CategoryPtr copy() const;
    QString description() const;

    static std::span<const RecordKey<Category>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("Category"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

    // Takes "new" as the title when this category's title is "old", quietly.
    void followRename(const QVariantMap& rename);

private:
    mutable std::optional<bool> m_isChecked;
    mutable std::optional<bool> m_isPrimary;
    mutable std::optional<bool> m_isTag;
    mutable std::optional<bool> m_isCategory;
    bool m_notified = false;
};
