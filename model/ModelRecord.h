#pragma once

#include <QObject>
#include <QString>

// What every record of the model shares with the windows and item models that
// show it: a change of a stored value is announced as valueChanged(key), with
// the field's name, once the new value is in place.
class ModelRecord : public QObject {
    Q_OBJECT
public:
    explicit ModelRecord(QObject* parent = nullptr);
    ~ModelRecord() override;

    // How many changes the record has had: equal counts mean nothing changed
    // in between. A stored value taking its default on first read counts too.
    quint64 changeCount() const { return m_changes; }

signals:
    // A stored value changed; `key` is the field's name.
    void valueChanged(const QString& key);

protected:
    void announce(const QString& key)
    {
        ++m_changes;
        emit valueChanged(key);
    }
    // A stored value changed without an announcement: a getter stored its
    // default, which the record's stored form now holds.
    void countQuietChange() const { ++m_changes; }

private:
    mutable quint64 m_changes = 0;
};
