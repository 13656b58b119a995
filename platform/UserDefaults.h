#pragma once

#include <Color.h>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

// The user's preferences: stored values over factory values. Stored in an
// INI file under the user's configuration folder ("plumet/plumet.conf").
//
// Every kind of value survives the file: texts, numbers and booleans (the
// typed getters read them back from text), data, dates, lists, dictionaries
// and colours (rv::Color), nested in any way.
class UserDefaults : public QObject {
    Q_OBJECT

public:
    // Uses the given INI file; the standard instance uses the user's one.
    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    static UserDefaults& sharedInstance();

    // Factory values: answered while nothing is stored, never written.
    void registerDefaults(const QVariantMap& factory);

    QVariant value(const QString& key) const;
    QString string(const QString& key) const;
    qint64 integer(const QString& key) const;
    double real(const QString& key) const;
    bool boolean(const QString& key) const;
    QByteArray data(const QString& key) const;
    // A stored colour, or a text "#AARRGGBB" or "#RRGGBB"; the fallback for anything else.
    rv::Color color(const QString& key, const rv::Color& fallback = {}) const;

    void setValue(const QString& key, const QVariant& value);
    // Stores the colour as the text "#AARRGGBB", readable in the file.
    void setColor(const QString& key, const rv::Color& color);
    void remove(const QString& key);

    QString filePath() const;

    // Preferences are a few kilobytes; a file past this is no preferences file.
    static constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
    // What the user is to be told about the file found at the start (one moved
    // aside because it was too large or no regular file), or nothing.
    QString loadReport() const { return m_loadReport; }

signals:
    void changed(const QString& key);

private:
    std::unique_ptr<QSettings> settings_;
    QVariantMap factory_;
    QString m_loadReport;
    mutable QMutex mutex_;
};
