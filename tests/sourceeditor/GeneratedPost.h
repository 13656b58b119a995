#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace plumet::test {

// A long post as bloggers write them: headings, paragraphs with links and
// emphasis, images whose attributes run over several lines, comments, lists
// and quotes with both kinds of quotation marks. The same seed gives the same
// post.
inline QString generatedPost(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    static const QStringList words{"garden", "summer",  "the",  "water", "street", "photo",
                                   "café",   "morning", "city", "notes", "and",    "of",
                                   "light",  "river",   "walk", "it's",  "a",      "we"};
    auto phrase = [&](int count) {
        QStringList picked;
        for (int i = 0; i < count; ++i)
            picked << words[random.bounded(int(words.size()))];
        return picked.join(QLatin1Char(' '));
    };
    QString post;
    post.reserve(size + 256);
    int block = 0;
    while (post.size() < size) {
        switch (random.bounded(7)) {
        case 0:
            post += QStringLiteral("<h2 class=\"title\">%1</h2>\n").arg(phrase(3));
            break;
        case 1:
            post += QStringLiteral("<p>%1 <a href=\"http://example.com/%2?a=1&amp;b=2\" "
                                   "title='%3'>%4</a> %5.</p>\n")
                        .arg(phrase(5), QString::number(block), phrase(2), phrase(2), phrase(6));
            break;
        case 2:
            post += QStringLiteral("<p><img src=\"http://example.com/%1.jpg\"\n"
                                   "   alt=\"%2\"\n   width=\"300\" height=\"200\" /></p>\n")
                        .arg(QString::number(block), phrase(4));
            break;
        case 3:
            post += QStringLiteral("<!-- %1 -->\n").arg(phrase(4));
            break;
        case 4:
            post += QStringLiteral("<ul>\n  <li>%1</li>\n  <li><em>%2</em></li>\n</ul>\n")
                        .arg(phrase(4), phrase(3));
            break;
        case 5:
            post += QStringLiteral("<blockquote>%1 \"%2\" %3</blockquote>\n")
                        .arg(phrase(3), phrase(2), phrase(4));
            break;
        default:
            post += QStringLiteral("<p>%1<br>\n%2 <strong>%3</strong></p>\n")
                        .arg(phrase(7), phrase(6), phrase(2));
            break;
        }
        ++block;
    }
    return post;
}

} // namespace plumet::test
