// Decodes a 5 MB metaWeblog.getRecentPosts answer (500 posts), timed against
// a bare expat pass over the same bytes and against Python 3's
// xmlrpc.client.loads of the same file, each interleaved with ours.
#include "Benchmark.h"
#include "XMLRPCDecoder.h"

#include <QCoreApplication>
#include <cstdio>
#include <expat.h>

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

// The parser alone: every element and every piece of text seen, nothing kept.
double bareExpatPass(const QByteArray& bytes, qint64& events)
{
    struct Counts {
        qint64 elements = 0;
        qint64 characters = 0;
    } counts;
    const double ms = plumet::test::millisecondsOf([&] {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &counts);
        XML_SetElementHandler(
            parser,
            [](void* data, const XML_Char*, const XML_Char**) {
                ++static_cast<Counts*>(data)->elements;
            },
            [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char*, int length) {
            static_cast<Counts*>(data)->characters += length;
        });
        XML_Parse(parser, bytes.constData(), int(bytes.size()), XML_TRUE);
        XML_ParserFree(parser);
    });
    events = counts.elements + counts.characters;
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    constexpr int repetitions = 15;
    const QByteArray answer = recentPostsAnswer(500);
    std::printf("answer: %.2f MB, 500 posts; ours and each anchor on one thread\n",
                double(answer.size()) / 1e6);

    int posts = 0;
    const auto ours = [&] {
        return plumet::test::millisecondsOf(
            [&] { posts = int(XMLRPCDecoder::decode(answer).value().toList().size()); });
    };
    ours();
    if (posts != 500) {
        std::fprintf(stderr, "the generated answer did not decode to 500 posts\n");
        return 1;
    }

    qint64 events = 0;
    const plumet::test::Comparison withExpat =
        plumet::test::interleaved(repetitions, ours, [&] { return bareExpatPass(answer, events); });
    plumet::test::printComparison("xmlrpc_decode_recent_posts",
                                  QStringLiteral("a bare expat pass, counting elements and text"),
                                  withExpat);

    const bool pythonRan = plumet::test::compareWithPython(
        "xmlrpc_decode_vs_python", QStringLiteral("Python 3 xmlrpc.client.loads of the same file"),
        "", "xmlrpc.client.loads(data)", answer, repetitions, ours);
    return pythonRan && posts == 500 ? 0 : 1;
}
