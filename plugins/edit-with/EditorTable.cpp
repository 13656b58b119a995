#include "EditorTable.h"

#include "PLUMETPreferences.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

namespace editwith {

QVariantMap defaultEditorTable()
{
    return {
        {QStringLiteral("gedit"), QStringLiteral("gedit --wait %f")},
        {QStringLiteral("Kate"), QStringLiteral("kate --block %f")},
        {QStringLiteral("GVim"), QStringLiteral("gvim -f %f")},
        {QStringLiteral("Emacs"), QStringLiteral("emacsclient -c %f")},
        {QStringLiteral("Visual Studio Code"), QStringLiteral("code --wait %f")},
    };
}

QVariantMap editorTable(PLUMETPreferences* preferences)
{
    if (!preferences)
        return defaultEditorTable();
    const QVariant stored = preferences->value(QLatin1String(editorTableKey));
    if (stored.typeId() == QMetaType::QVariantMap && !stored.toMap().isEmpty())
        return stored.toMap();
    const QVariantMap defaults = defaultEditorTable();
    preferences->setValue(QLatin1String(editorTableKey), defaults);
    return defaults;
}

QStringList editorCommand(const QString& commandLine, const QString& filePath)
{
    QStringList command = QProcess::splitCommand(commandLine);
    if (command.isEmpty())
        return {};
    bool placed = false;
    for (qsizetype i = 1; i < command.size(); ++i) {
        if (command[i].contains(QLatin1String("%f"))) {
            command[i].replace(QLatin1String("%f"), filePath);
            placed = true;
        }
    }
    if (!placed)
        command << filePath;
    return command;
}

QString installedProgram(const QString& commandLine)
{
    const QStringList command = QProcess::splitCommand(commandLine);
    if (command.isEmpty())
        return {};
    const QString& program = command.first();
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

QStringList installedEditors(const QVariantMap& table)
{
    QStringList names;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        if (it.value().typeId() == QMetaType::QString &&
            !installedProgram(it.value().toString()).isEmpty())
            names << it.key();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

} // namespace editwith
