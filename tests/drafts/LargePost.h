// A post of about the given size for the Word Count benchmarks: paragraphs
// in English and Chinese, lists, a table, preformatted code, entities and
// emoji sequences, top-level blocks of a few hundred bytes as a post has them;
// and one typed character.
#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace plumet::test {

// About 1 MB of UTF-8: paragraphs in English and Chinese, lists, a table,
// preformatted code, entities and emoji sequences, top-level blocks of a few
// hundred bytes as a post has them.
inline QString makePost(qsizetype bytes)
{
    QRandomGenerator random(38);
    const QStringList words = {QStringLiteral("river"),   QStringLiteral("walks"),
                               QStringLiteral("morning"), QStringLiteral("the"),
                               QStringLiteral("café"),    QStringLiteral("naïve"),
                               QStringLiteral("bridge"),  QStringLiteral("of"),
                               QStringLiteral("stones"),  QStringLiteral("and")};
    const auto sentence = [&](int length) {
        QString text;
        for (int i = 0; i < length; ++i) {
            if (i > 0)
                text += u' ';
            text += words[random.bounded(int(words.size()))];
        }
        return text + QStringLiteral(".");
    };
    QString html;
    qsizetype size = 0;
    for (int section = 0; size < bytes; ++section) {
        QString part;
        part += QStringLiteral("<h2>Section %1</h2>\n").arg(section);
        part += QStringLiteral("<p>%1 <b>%2</b> &amp; %3 &eacute;t&eacute; &#x1F600;</p>\n")
                    .arg(sentence(30), sentence(4), sentence(20));
        part +=
            QStringLiteral(
                "<p>我喜欢在河边散步，早上的空气很新鲜。%1 👩‍👩‍👧 "
                "🇫🇷 "
                "👍🏽</p>\n")
                .arg(sentence(12));
        part += QStringLiteral("<ul>");
        for (int i = 0; i < 5; ++i)
            part += QStringLiteral("<li>%1</li>").arg(sentence(6));
        part += QStringLiteral("</ul>\n");
        if (section % 4 == 0) {
            part += QStringLiteral("<table>");
            for (int row = 0; row < 6; ++row)
                part +=
                    QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(sentence(2), sentence(3));
            part += QStringLiteral("</table>\n");
        }
        if (section % 3 == 0)
            part += QStringLiteral("<pre>\nint walk(int km) {\n    return km * 2; // &lt;ok&gt;\n}"
                                   "</pre>\n");
        part += QStringLiteral("%1<br>\n").arg(sentence(10));
        size += part.toUtf8().size();
        html += part;
    }
    return html;
}

// Types one character at the end of a word somewhere in the post's text (the
// post has spaces only in its text).
inline QString typeOneCharacter(const QString& html, QRandomGenerator& random)
{
    qsizetype at = html.indexOf(u' ', qsizetype(random.bounded(int(html.size()))));
    if (at < 0)
        at = html.indexOf(u' ');
    QString edited = html;
    edited.insert(at, u's');
    return edited;
}

} // namespace plumet::test
