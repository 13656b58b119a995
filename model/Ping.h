#pragma once

#include "Archivable.h"
#include "ModelRecord.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <QObject>
#include <QString>
#include <span>

// One ping or trackback address with a title.
class Ping : public ModelRecord, public Archivable {
    Q_OBJECT
public:
    explicit Ping(QObject* parent = nullptr);

    static PingPtr pingWithTitle(const QString& title, const QString& address);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    QString address() const { return m_address; }
    void setAddress(const QString& address);

    PingPtr copy() const;

    // One element of a stored ping list: a ping record (as such or as an
    // archived object), or from older lists a dictionary with "title" and
    // "address" or a bare address.
    static PingPtr fromListValue(const QVariant& value);
    // The addresses a ping list stands for: the non-empty ones, in order.
    static QVariantList addressesOf(const PingList& pings);

    static std::span<const RecordKey<Ping>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("Ping"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

private:
    QString m_title;
    QString m_address;
};
