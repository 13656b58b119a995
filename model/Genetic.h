#pragma once

#include "ModelRecord.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

// Base of every record with a server identifier and a title. A nil title is a null
// QString; once set, a title is never empty.
class Genetic : public ModelRecord {
    Q_OBJECT
public:
    explicit Genetic(QObject* parent = nullptr);
    ~Genetic() override;

    QString uniqueID() const { return m_uniqueID; }
    // uniqueID() == id, without a copy.
    bool hasUniqueID(const QString& id) const { return m_uniqueID == id; }
    void setUniqueID(const QString& id);
    // Accepts a string (kept), a number (its decimal string) or a null value
    // (clears); anything else is refused with a log line. Announced in every case.
    void setUniqueIDValue(const QVariant& id);

    QString title() const { return m_title; }
    // Null or empty becomes the localized "Untitled"; the display name is the title
    // with entities decoded and tags removed.
    virtual void setTitle(const QString& title);

    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString& name);

    bool foundOnServer() const { return m_foundOnServer; }
    void setFoundOnServer(bool found);

    // Case-insensitive ascending order by title, for lists of categories, tags,
    // formats and links.
    static bool titleLessThan(const Genetic& left, const Genetic& right);

    // The first of `records` whose `field` (&Genetic::title or &Genetic::uniqueID)
    // equals `text`; null for a null text.
    template <class Pointer>
    static Pointer findRecord(const QList<Pointer>& records, QString (Genetic::*field)() const,
                              const QString& text)
    {
        if (text.isNull())
            return nullptr;
        for (const Pointer& record : records) {
            if (((*record).*field)() == text)
                return record;
        }
        return nullptr;
    }

    static QString untitled();

protected:
    void storeTitle(const QString& title, const QString& displayName);
    // Called by both identifier setters once the new identifier is in place
    // and announced, whether it differs or not.
    virtual void uniqueIDChanged(const QString& previous) { Q_UNUSED(previous); }
    // Called by setFoundOnServer once the mark is in place and announced.
    virtual void foundOnServerChanged() {}

private:
    QString m_uniqueID;
    QString m_title;
    QString m_displayName;
    bool m_foundOnServer = false;
};
