#include "ColorButton.h"
#include "DefaultsBinding.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

// Preference widgets and their keys, both ways.
class tst_DefaultsBinding : public QObject {
    Q_OBJECT
public:
    enum Kind { Check, Spin, Slider, Index, Colour };
    Q_ENUM(Kind)

private slots:
    void init();
    void roundTrips_data();
    void roundTrips();

private:
    QWidget* makeBound(Kind kind, const QString& key, DefaultsBinding& binding);
    static QVariant shown(Kind kind, QWidget* widget);
    static void userEdits(Kind kind, QWidget* widget, const QVariant& value);

    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_defaults;
};

void tst_DefaultsBinding::init()
{
    QFile::remove(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults = std::make_unique<UserDefaults>(m_folder.filePath(QStringLiteral("prefs.conf")));
    m_defaults->registerDefaults(
        {{QStringLiteral("spell_check"), true},
         {QStringLiteral("keep_old_entries"), 1},
         {QStringLiteral("num_entries"), 20},
         {QStringLiteral("alpha_draft"), 1.0},
         {QStringLiteral("usesHTMLEditor"), 0},
         {QStringLiteral("local_color"), QVariant::fromValue(rv::Color(0.11, 1.0, 0.42, 0.2))}});
}

QWidget* tst_DefaultsBinding::makeBound(Kind kind, const QString& key, DefaultsBinding& binding)
{
    const QString extra =
        key.endsWith(QLatin1String("_color")) ? QStringLiteral("labelChanged") : QString();
    switch (kind) {
    case Check: {
        auto* box = new QCheckBox;
        binding.bind(box, key, extra);
        return box;
    }
    case Spin: {
        auto* box = new QSpinBox;
        box->setRange(0, 1000);
        binding.bind(box, key, extra);
        return box;
    }
    case Slider: {
        auto* slider = new QSlider;
        slider->setRange(10, 100);
        binding.bind(slider, key, 100.0, extra);
        return slider;
    }
    case Index: {
        auto* box = new QComboBox;
        box->addItems({QStringLiteral("Rich"), QStringLiteral("HTML")});
        binding.bindIndex(box, key, extra);
        return box;
    }
    case Colour: {
        auto* button = new ColorButton(key);
        binding.bind(button, key, extra);
        return button;
    }
    }
    return nullptr;
}

QVariant tst_DefaultsBinding::shown(Kind kind, QWidget* widget)
{
    switch (kind) {
    case Check:
        return static_cast<QCheckBox*>(widget)->isChecked();
    case Spin:
        return static_cast<QSpinBox*>(widget)->value();
    case Slider:
        return static_cast<QSlider*>(widget)->value();
    case Index:
        return static_cast<QComboBox*>(widget)->currentIndex();
    case Colour:
        return static_cast<ColorButton*>(widget)->color().name(QColor::HexArgb);
    }
    return {};
}

void tst_DefaultsBinding::userEdits(Kind kind, QWidget* widget, const QVariant& value)
{
    switch (kind) {
    case Check:
        static_cast<QCheckBox*>(widget)->click();
        break;
    case Spin:
        static_cast<QSpinBox*>(widget)->setValue(value.toInt());
        break;
    case Slider:
        static_cast<QSlider*>(widget)->setValue(value.toInt());
        break;
    case Index:
        static_cast<QComboBox*>(widget)->setCurrentIndex(value.toInt());
        break;
    case Colour:
        emit static_cast<ColorButton*>(widget)->colorChosen(QColor(value.toString()));
        break;
    }
}

void tst_DefaultsBinding::roundTrips_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("initiallyShown");
    QTest::addColumn<QVariant>("edit");      // what the user does
    QTest::addColumn<QVariant>("stored");    // what the key then holds
    QTest::addColumn<QStringList>("posted"); // notifications, in order
    QTest::addColumn<QVariant>("changedElsewhere");
    QTest::addColumn<QVariant>("shownAfter");

    QTest::newRow("check box, boolean key")
        << Check << "spell_check" << QVariant(true) << QVariant() << QVariant(false)
        << QStringList{"spell_check"} << QVariant(true) << QVariant(true);
    QTest::newRow("check box, numeric key stays a number")
        << Check << "keep_old_entries" << QVariant(true) << QVariant() << QVariant(0)
        << QStringList{"keep_old_entries"} << QVariant(1) << QVariant(true);
    QTest::newRow("spin box") << Spin << "num_entries" << QVariant(20) << QVariant(50)
                              << QVariant(50) << QStringList{"num_entries"} << QVariant(7)
                              << QVariant(7);
    QTest::newRow("slider, scaled")
        << Slider << "alpha_draft" << QVariant(100) << QVariant(50) << QVariant(0.5)
        << QStringList{"alpha_draft"} << QVariant(0.8) << QVariant(80);
    QTest::newRow("pop-up index") << Index << "usesHTMLEditor" << QVariant(0) << QVariant(1)
                                  << QVariant(1) << QStringList{"usesHTMLEditor"} << QVariant(0)
                                  << QVariant(0);
    QTest::newRow("colour as #AARRGGBB")
        << Colour << "local_color" << QVariant("#331cff6b") << QVariant("#80ff0000")
        << QVariant("#80ff0000") << QStringList{"local_color", "labelChanged"}
        << QVariant("#ff000080") << QVariant("#ff000080");
}

void tst_DefaultsBinding::roundTrips()
{
    QFETCH(Kind, kind);
    QFETCH(QString, key);
    QFETCH(QVariant, initiallyShown);
    QFETCH(QVariant, edit);
    QFETCH(QVariant, stored);
    QFETCH(QStringList, posted);
    QFETCH(QVariant, changedElsewhere);
    QFETCH(QVariant, shownAfter);

    NotificationCenter center;
    QStringList heard;
    QObject observer;
    for (const QString& name : {key, QStringLiteral("labelChanged")})
        center.observe(name, &observer, [&heard](const Notification& note) { heard << note.name; });
    DefaultsBinding binding(*m_defaults, center);
    std::unique_ptr<QWidget> widget(makeBound(kind, key, binding));
    QCOMPARE(binding.widgetFor(key), widget.get());
    QCOMPARE(shown(kind, widget.get()), initiallyShown);

    userEdits(kind, widget.get(), edit);
    const QVariant value = m_defaults->value(key);
    if (stored.metaType().id() == QMetaType::Double)
        QCOMPARE(m_defaults->real(key), stored.toDouble());
    else
        QCOMPARE(value.toString(), stored.toString());
    QCOMPARE(heard, posted);

    // A change made elsewhere shows, and is not announced again.
    heard.clear();
    m_defaults->setValue(key, changedElsewhere);
    QCOMPARE(shown(kind, widget.get()), shownAfter);
    QVERIFY(heard.isEmpty());
}

QTEST_MAIN(tst_DefaultsBinding)
#include "tst_defaultsbinding.moc"
