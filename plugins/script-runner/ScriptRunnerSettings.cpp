#include "ScriptRunnerSettings.h"

#include "PLUMETPreferences.h"
#include "ScriptFolder.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("ScriptRunner", text);
}

QString kindLabel(const QString& extension)
{
    static const QHash<QString, const char*> labels = {
        {QStringLiteral("pl"), QT_TRANSLATE_NOOP("ScriptRunner", "Perl:")},
        {QStringLiteral("php"), QT_TRANSLATE_NOOP("ScriptRunner", "PHP:")},
        {QStringLiteral("rb"), QT_TRANSLATE_NOOP("ScriptRunner", "Ruby:")},
        {QStringLiteral("py"), QT_TRANSLATE_NOOP("ScriptRunner", "Python:")},
        {QStringLiteral("sh"), QT_TRANSLATE_NOOP("ScriptRunner", "Shell:")},
    };
    return translated(labels.value(extension, ""));
}

} // namespace

ScriptRunnerSettings::ScriptRunnerSettings(PLUMETPreferences* preferences, QWidget* parent)
    : QWidget(parent)
{
    auto* form = new QFormLayout;
    for (const scriptrunner::InterpreterKind& kind : scriptrunner::interpreterKinds) {
        const QString key = QLatin1String(kind.key);
        auto* field = new QLineEdit(this);
        field->setObjectName(key);
        field->setPlaceholderText(QLatin1String(kind.defaultPath));
        field->setClearButtonEnabled(true);
        if (preferences)
            field->setText(preferences->value(key).toString());
        else
            field->setEnabled(false);
        connect(field, &QLineEdit::editingFinished, this, [preferences, field, key] {
            const QString path = field->text().trimmed();
            if (preferences)
                preferences->setValue(key, path.isEmpty() ? QVariant() : QVariant(path));
        });
        form->addRow(kindLabel(QLatin1String(kind.extension)), field);
    }
    auto* open = new QPushButton(translated("Open Scripts Folder"), this);
    connect(open, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl::fromLocalFile(scriptrunner::scriptsFolder())); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(open, 0, Qt::AlignLeft);
    layout->addStretch();
}
