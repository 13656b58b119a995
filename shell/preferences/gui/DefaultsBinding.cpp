#include "DefaultsBinding.h"

#include "ColorButton.h"
#include "NotificationCenter.h"
#include "RecordKey.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <cmath>

namespace {

bool holdsNumber(const QVariant& value)
{
    return StoredValue::isNumber(value) && value.typeId() != QMetaType::Bool;
}

} // namespace

DefaultsBinding::DefaultsBinding(UserDefaults& defaults, NotificationCenter& center,
                                 QObject* parent)
    : QObject(parent), m_defaults(defaults), m_center(center)
{
    connect(&m_defaults, &UserDefaults::changed, this, &DefaultsBinding::keyChanged);
}

void DefaultsBinding::add(const QString& key, QWidget* widget, std::function<void()> show)
{
    m_widgets.insert(key, widget);
    m_show.insert(key, std::move(show));
    m_show.value(key)();
}

void DefaultsBinding::write(const QString& key, const QVariant& value,
                            const QString& extraNotification)
{
    store(
        key, [&] { m_defaults.setValue(key, value); }, extraNotification);
}

void DefaultsBinding::store(const QString& key, const std::function<void()>& store,
                            const QString& extraNotification)
{
    m_writing = key;
    store();
    m_writing.clear();
    m_center.post(key);
    if (!extraNotification.isEmpty())
        m_center.post(extraNotification);
}

void DefaultsBinding::keyChanged(const QString& key)
{
    if (key == m_writing)
        return;
    const auto show = m_show.value(key);
    if (show && m_widgets.value(key))
        show();
}

void DefaultsBinding::bind(QCheckBox* box, const QString& key, const QString& extraNotification)
{
    add(key, box, [this, box, key] {
        const QSignalBlocker blocker(box);
        box->setChecked(m_defaults.boolean(key));
    });
    connect(box, &QCheckBox::toggled, this, [this, key, extraNotification](bool on) {
        const QVariant value = holdsNumber(m_defaults.value(key)) ? QVariant(on ? 1 : 0) : on;
        write(key, value, extraNotification);
    });
}

void DefaultsBinding::bind(QSpinBox* box, const QString& key, const QString& extraNotification)
{
    add(key, box, [this, box, key] {
        const QSignalBlocker blocker(box);
        box->setValue(int(m_defaults.integer(key)));
    });
    connect(box, &QSpinBox::valueChanged, this,
            [this, key, extraNotification](int value) { write(key, value, extraNotification); });
}

void DefaultsBinding::bind(QDoubleSpinBox* box, const QString& key,
                           const QString& extraNotification)
{
    add(key, box, [this, box, key] {
        const QSignalBlocker blocker(box);
        box->setValue(m_defaults.real(key));
    });
    connect(box, &QDoubleSpinBox::valueChanged, this,
            [this, key, extraNotification](double value) { write(key, value, extraNotification); });
}

void DefaultsBinding::bind(QSlider* slider, const QString& key, double scale,
                           const QString& extraNotification)
{
    add(key, slider, [this, slider, key, scale] {
        const QSignalBlocker blocker(slider);
        slider->setValue(int(std::lround(m_defaults.real(key) * scale)));
    });
    connect(slider, &QSlider::valueChanged, this, [this, key, scale, extraNotification](int value) {
        write(key, value / scale, extraNotification);
    });
}

void DefaultsBinding::bindIndex(QComboBox* box, const QString& key,
                                const QString& extraNotification)
{
    add(key, box, [this, box, key] {
        const QSignalBlocker blocker(box);
        const qint64 index = m_defaults.integer(key);
        box->setCurrentIndex(index >= 0 && index < box->count() ? int(index) : -1);
    });
    connect(box, &QComboBox::currentIndexChanged, this, [this, key, extraNotification](int index) {
        if (index >= 0)
            write(key, index, extraNotification);
    });
}

void DefaultsBinding::bind(ColorButton* button, const QString& key,
                           const QString& extraNotification)
{
    add(key, button, [this, button, key] {
        const QSignalBlocker blocker(button);
        button->setColor(m_defaults.color(key).toQColor());
    });
    connect(button, &ColorButton::colorChosen, this,
            [this, key, extraNotification](const QColor& color) {
                store(
                    key, [&] { m_defaults.setColor(key, rv::Color::fromQColor(color)); },
                    extraNotification);
            });
}
