#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class ColorButton;
class NotificationCenter;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSlider;
class QSpinBox;
class QWidget;
class UserDefaults;

// Ties preference widgets to their keys. A user edit writes the key at once
// and posts the notification named after the key (object none), plus an
// extra notification where the key's readers listen for one ("labelChanged"
// for the list colours). A change of the key from anywhere else (the Factory
// Settings button, another window) shows in the widget without being posted
// again.
class DefaultsBinding : public QObject {
    Q_OBJECT
public:
    DefaultsBinding(UserDefaults& defaults, NotificationCenter& center, QObject* parent = nullptr);

    // On/off. Keys whose stored value is a number store 1 and 0.
    void bind(QCheckBox* box, const QString& key, const QString& extraNotification = {});
    void bind(QSpinBox* box, const QString& key, const QString& extraNotification = {});
    void bind(QDoubleSpinBox* box, const QString& key, const QString& extraNotification = {});
    // The slider's value divided by `scale` (an opacity 0.1–1.0 on a 10–100 slider).
    void bind(QSlider* slider, const QString& key, double scale,
              const QString& extraNotification = {});
    // The chosen item's index is the stored number.
    void bindIndex(QComboBox* box, const QString& key, const QString& extraNotification = {});
    // A colour, stored as "#AARRGGBB".
    void bind(ColorButton* button, const QString& key, const QString& extraNotification = {});

    QStringList boundKeys() const { return m_widgets.keys(); }
    QWidget* widgetFor(const QString& key) const { return m_widgets.value(key); }

private:
    void add(const QString& key, QWidget* widget, std::function<void()> show);
    void write(const QString& key, const QVariant& value, const QString& extraNotification);
    // Stores through `store`, then posts.
    void store(const QString& key, const std::function<void()>& store,
               const QString& extraNotification);
    void keyChanged(const QString& key);

    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    QHash<QString, QPointer<QWidget>> m_widgets;
    QHash<QString, std::function<void()>> m_show;
    QString m_writing; // the key this binding is writing, not to be shown back
};
