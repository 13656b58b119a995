// Decodes a 5 MB metaWeblog.getRecentPosts answer (500 posts) and compares the
// time with a bare QXmlStreamReader pass over the same bytes.
#include "XMLRPCDecoder.h"

#include <QElapsedTimer>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QByteArray member(const char* name, const QByteArray& typedValue)
{
    return QByteArray("  <member><name>") + name + "</name><value>" + typedValue +
           "</value></member>\n";
}

QByteArray stringValue(const QByteArray& text)
{
    return "<string>" + text + "</string>";
}

// A body the way WordPress sends it: block comments and paragraphs, escaped.
QByteArray postBody(int post)
{
    QByteArray body;
    for (int paragraph = 0; body.size() < 9000; ++paragraph) {
        body += "&lt;!-- wp:paragraph --&gt;\n&lt;p&gt;Paragraph " + QByteArray::number(paragraph) +
                " of post " + QByteArray::number(post) +
                ": Bob&#039;s notes on caf\xC3\xA9 culture, &lt;a href=\"https://example.org/" +
                QByteArray::number(paragraph) +
                "\"&gt;a link&lt;/a&gt; &amp;amp; &lt;strong&gt;some bold text&lt;/strong&gt; "
                "that goes on for a while so that the paragraph reads like real prose, with "
                "commas, quotes &quot;like these&quot; and an emoji \xF0\x9F\x98\x80.&lt;/p&gt;\n"
                "&lt;!-- /wp:paragraph --&gt;\n\n";
    }
    return body;
}

QByteArray recentPostsAnswer(int posts)
{
    QByteArray answer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse>\n  <params>\n"
                        "    <param>\n      <value>\n      <array><data>\n";
    for (int post = 1; post <= posts; ++post) {
        const QByteArray id = QByteArray::number(post);
        const QByteArray date = "<dateTime.iso8601>20261201T10:30:00</dateTime.iso8601>";
        answer += "  <value><struct>\n";
        answer += member("dateCreated", date);
        answer += member("userid", stringValue("1"));
        answer += member("postid", stringValue(id));
        answer += member("description", stringValue(postBody(post)));
        answer += member("title", stringValue("It&#039;s post " + id + " &amp; more"));
        answer += member("link", stringValue("http://127.0.0.1:8089/2026/12/01/post-" + id + "/"));
        answer +=
            member("permaLink", stringValue("http://127.0.0.1:8089/2026/12/01/post-" + id + "/"));
        answer +=
            member("categories", "<array><data>\n  <value><string>Uncategorized</string></value>\n"
                                 "  <value><string>News</string></value>\n</data></array>");
        answer += member("mt_excerpt", stringValue(""));
        answer += member("mt_text_more", stringValue("&lt;p&gt;More text.&lt;/p&gt;"));
        answer += member("mt_allow_comments", "<int>1</int>");
        answer += member("mt_allow_pings", "<int>1</int>");
        answer += member("mt_keywords", stringValue("tag one, tag&amp;two"));
        answer += member("wp_slug", stringValue("post-" + id));
        answer += member("wp_author_id", stringValue("1"));
        answer += member("date_created_gmt", date);
        answer += member("post_status", stringValue("publish"));
        answer += member("custom_fields", "<array><data>\n</data></array>");
        answer += member("sticky", "<boolean>0</boolean>");
        answer += "</struct></value>\n";
    }
    answer += "</data></array>\n      </value>\n    </param>\n  </params>\n</methodResponse>\n";
    return answer;
}

double bestOf(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2]; // the median
}

} // namespace

int main()
{
    const QByteArray answer = recentPostsAnswer(500);

    const DecodeResult check = XMLRPCDecoder::decode(answer);
    if (check.isFault() || check.value().toList().size() != 500) {
        std::fprintf(stderr, "the generated answer did not decode to 500 posts\n");
        return 1;
    }

    qint64 tokens = 0;
    const double anchor = bestOf(9, [&] {
        QXmlStreamReader reader(answer);
        while (!reader.atEnd())
            tokens += reader.readNext();
    });
    qint64 posts = 0;
    const double ours =
        bestOf(9, [&] { posts += XMLRPCDecoder::decode(answer).value().toList().size(); });

    std::printf("answer: %.1f MB, %lld tokens per pass\n", double(answer.size()) / 1e6, tokens / 9);
    std::printf("RESULT xmlrpc_decode_recent_posts ours=%.2f anchor=%.2f ratio=%.2f\n", ours,
                anchor, ours / anchor);
    return posts == 500 * 9 ? 0 : 1;
}
