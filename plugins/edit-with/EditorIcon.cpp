#include "EditorIcon.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace editwith {

namespace {

struct DesktopEntry {
    QString exec;
    QString icon;
};

DesktopEntry readDesktopEntry(const QString& path)
{
    DesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        if (line.startsWith(QLatin1String("Exec=")))
            entry.exec = line.mid(5);
        else if (line.startsWith(QLatin1String("Icon=")))
            entry.icon = line.mid(5);
    }
    return entry;
}

// The program an Exec line or command line starts, without its folder;
// "env" and its variable settings are skipped.
QString programName(const QString& commandLine)
{
    const QStringList words = QProcess::splitCommand(commandLine);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString name = QFileInfo(words[i]).fileName();
        if (i == 0 && name == QLatin1String("env"))
            continue;
        if (words[i].contains(QLatin1Char('=')) && !words[i].contains(QLatin1Char('/')))
            continue;
        return name;
    }
    return {};
}

QIcon iconNamed(const QString& icon)
{
    if (QFileInfo(icon).isAbsolute())
        return QFileInfo::exists(icon) ? QIcon(icon) : QIcon();
    return QIcon::fromTheme(icon);
}

} // namespace

QIcon editorIcon(const QString& commandLine)
{
    const QString program = programName(commandLine);
    if (!program.isEmpty()) {
        for (const QString& folder :
             QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
            QDirIterator files(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                               QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const DesktopEntry entry = readDesktopEntry(files.next());
                if (entry.icon.isEmpty() || programName(entry.exec) != program)
                    continue;
                const QIcon icon = iconNamed(entry.icon);
                if (!icon.isNull())
                    return icon;
            }
        }
    }
    return QIcon::fromTheme(QStringLiteral("accessories-text-editor"));
}

} // namespace editwith
