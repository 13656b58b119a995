#pragma once

#include "Archivable.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <QObject>
#include <QString>
#include <span>

// One ping or trackback address with a title.
class Ping : public QObject, public Archivable {
    Q_OBJECT
public:
    explicit Ping(QObject* parent = nullptr);

    static PingPtr pingWithTitle(const QString& title, const QString& address);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    QString address() const { return m_address; }
    void setAddress(const QString& address);

    PingPtr copy() const;

    static std::span<const RecordKey<Ping>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("Ping"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

signals:
    void valueChanged(const QString& key);

private:
    QString m_title;
    QString m_address;
};
