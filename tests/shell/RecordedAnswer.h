#pragma once

#include "TestSupport.h"

#include <QString>

namespace plumet::test {

// A metaWeblog.getRecentPosts answer of at least `length` characters: the post
// of the recorded WordPress getPost answer, over and over, in an array.
inline QString recordedPostsAnswer(qsizetype length)
{
    const QString recorded =
        QString::fromUtf8(readTestData(QStringLiteral("wordpress-6.1/getPost.response.xml")));
    const qsizetype start = recorded.indexOf(QStringLiteral("<struct>"));
    const qsizetype end = recorded.indexOf(QStringLiteral("</struct>")) + 9;
    const QString post = QStringLiteral("  <value>") + recorded.mid(start, end - start) +
                         QStringLiteral("</value>\n");
    QString answer =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse>"
                       "\n  <params>\n    <param>\n      <value>\n      <array><data>\n");
    while (answer.size() < length)
        answer += post;
    return answer + QStringLiteral("</data></array>\n      </value>\n    </param>\n  </params>\n"
                                   "</methodResponse>\n\n");
}

} // namespace plumet::test
