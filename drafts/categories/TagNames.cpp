#include "TagNames.h"

namespace TagNames {

QString withoutControls(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            kept.append(c);
    }
    return kept;
}

QStringList piecesOf(const QString& typed)
{
    QStringList names;
    QStringList seen;
    const QStringList pieces = withoutControls(typed).split(QLatin1Char(','));
    for (const QString& piece : pieces) {
        const QString name = piece.trimmed();
        if (name.isEmpty())
            continue;
        const QString key = folded(name);
        if (seen.contains(key))
            continue;
        seen.append(key);
        names.append(name);
    }
    return names;
}

QString folded(const QString& title)
{
    return title.toCaseFolded();
}

} // namespace TagNames
