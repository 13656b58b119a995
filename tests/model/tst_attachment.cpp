#include "ArchiveRoundTrip.h"
#include "Attachment.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using namespace plumet::test;

using plumet::test::testDataPath;

class tst_Attachment : public QObject {
    Q_OBJECT
private slots:
    void factsFromRealFiles_data();
    void factsFromRealFiles();
    void missingFile();
    void newAttachmentIdentity();
    void fileNameRules();
    void markupAddress_data();
    void markupAddress();
    void markupEscapesHostileAddress_data();
    void markupEscapesHostileAddress();
    void markupTexts();
    void archiveKeepsFields();
    void copyKeepsClassAndIdentity();
    void mediaFactoryTakesItsKind();
};

void tst_Attachment::factsFromRealFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("mime");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<QString>("size");

    QTest::newRow("png") << "dot.png"
                         << "image/png" << int(Attachment::ImageFile) << "98 bytes";
    QTest::newRow("jpeg") << "photo.jpg"
                          << "image/jpeg" << int(Attachment::ImageFile) << "633 bytes";
    QTest::newRow("text") << "notes.txt"
                          << "text/plain" << int(Attachment::OtherFile) << "32 bytes";
    QTest::newRow("no extension") << "shopping-list"
                                  << "text/plain" << int(Attachment::OtherFile) << "16 bytes";
    QTest::newRow("over a kilobyte") << "kilobyte-and-a-half.txt"
                                     << "text/plain" << int(Attachment::OtherFile) << "1.5 Kb";
}

void tst_Attachment::factsFromRealFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, mime);
    QFETCH(int, fileType);
    QFETCH(QString, size);

    const QString path = testDataPath(QStringLiteral("model/") + file);
    const AttachmentPtr attachment = Attachment::attachmentWithPath(path);
    if (fileType == Attachment::ImageFile) {
        // Pictures work on their copy in the media cache.
        const QFileInfo copy(attachment->filePath());
        QCOMPARE(copy.fileName(), attachment->uniqueID() + u'.' + QFileInfo(path).suffix());
        QCOMPARE(copy.size(), QFileInfo(path).size());
    } else {
        QCOMPARE(attachment->filePath(), path);
        QCOMPARE(attachment->cachedPath(), path);
    }
    QCOMPARE(attachment->fileName(), file);
    QCOMPARE(attachment->internetType(), mime);
    QCOMPARE(attachment->fileType(), std::optional<int>(fileType));
    QCOMPARE(attachment->fileSize(), size);
    QVERIFY(!attachment->fileKind().isEmpty());
}

void tst_Attachment::missingFile()
{
    Attachment attachment;
    QCOMPARE(attachment.internetType(), QStringLiteral("text/plain")); // no path at all
    attachment.initWithPath(QStringLiteral("/nonexistent/folder/ghost.bin"));
    QVERIFY(attachment.fileSize().isEmpty());
    QCOMPARE(attachment.internetType(), QStringLiteral("text/plain"));
    QCOMPARE(attachment.fileName(), QStringLiteral("ghost.bin"));

    // A damaged archive can hold a path no file can have: facts, not a crash.
    Attachment damaged;
    damaged.setFilePath(QStringLiteral("/pictures/x") + QChar(0) + QStringLiteral(".png"));
    QCOMPARE(damaged.internetType(), QStringLiteral("text/plain"));
    QVERIFY(damaged.copy());
}

void tst_Attachment::newAttachmentIdentity()
{
    const double before = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    Attachment attachment;
    const QString id = attachment.uniqueID();
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(id).hasMatch());
    QVERIFY(attachment.created() >= before - 0.001);
    QVERIFY(attachment.created() <= QDateTime::currentMSecsSinceEpoch() / 1000.0 + 0.001);
    QCOMPARE(attachment.uniqueID(), id);
    QVERIFY(Attachment().uniqueID() != id);
}

void tst_Attachment::fileNameRules()
{
    Attachment attachment;
    QCOMPARE(attachment.fileName(), QStringLiteral("Untitled"));
    attachment.setFilePath(QStringLiteral("/pictures/cat.png"));
    QCOMPARE(attachment.fileName(), QStringLiteral("cat.png"));

    QSignalSpy changes(&attachment, &Attachment::valueChanged);
    attachment.setFileName(QStringLiteral("a/b.png"));
    QCOMPARE(attachment.fileName(), QStringLiteral("ab.png"));
    QVERIFY(changes.contains(QVariantList{QStringLiteral("markup")}));
    attachment.setAlt(QStringLiteral("A cat"));
    QCOMPARE(changes.count(QVariantList{QStringLiteral("markup")}), 2);
}

void tst_Attachment::markupAddress_data()
{
    QTest::addColumn<QString>("uploadPath");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("href");

    const QString local = QUrl::fromLocalFile(QStringLiteral("/pictures/dot.png")).toString();
    const QString uploaded =
        QStringLiteral("http://127.0.0.1:8089/wp-content/uploads/2026/12/dot.png");
    QTest::newRow("before upload") << QString() << QString() << local;
    QTest::newRow("after upload") << uploaded << QString() << uploaded;
    QTest::newRow("with a source") << uploaded << QStringLiteral("http://example.org/page")
                                   << QStringLiteral("http://example.org/page");
}

void tst_Attachment::markupAddress()
{
    QFETCH(QString, uploadPath);
    QFETCH(QString, source);
    QFETCH(QString, href);

    Attachment attachment;
    attachment.initWithPath(QStringLiteral("/pictures/dot.png"));
    attachment.setUploadPath(uploadPath);
    attachment.setSource(source);
    const QString published = attachment.generateMarkup(false, nullptr);
    QCOMPARE(published, QStringLiteral("<a href=\"%1\" title=\"dot.png\">dot.png</a>").arg(href));
    const QString inEditor = attachment.generateMarkup(true, nullptr);
    QCOMPARE(inEditor, QStringLiteral("<a href=\"%1\" id=\"%2\" title=\"dot.png\">dot.png</a>")
                           .arg(href, attachment.uniqueID()));
}

void tst_Attachment::markupEscapesHostileAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("href");

    QTest::newRow("quote and tag")
        << "http://evil.example/x.png\"><script>alert(1)</script>"
        << "http://evil.example/x.png%22%3E%3Cscript%3Ealert(1)%3C/script%3E";
    QTest::newRow("event handler") << "http://evil.example/x.png\" onmouseover=\"alert(1)"
                                   << "http://evil.example/x.png%22%20onmouseover=%22alert(1)";
    QTest::newRow("spaces") << "http://example.org/my photo.png"
                            << "http://example.org/my%20photo.png";
    QTest::newRow("query kept, ampersand as an entity") << "http://example.org/i.php?a=1&b=2"
                                                        << "http://example.org/i.php?a=1&amp;b=2";
    QTest::newRow("https") << "https://example.org/x.png"
                           << "https://example.org/x.png";
    // Only the web's schemes and ours are linked: the rest keeps its text, not a link.
    QTest::newRow("script address") << "javascript:alert(document.cookie)" << QString();
    QTest::newRow("script address in capitals") << "JavaScript:alert(1)" << QString();
    QTest::newRow("script address after a space") << " javascript:alert(1)" << QString();
    QTest::newRow("data address") << "data:text/html,<script>alert(1)</script>" << QString();
}

void tst_Attachment::markupEscapesHostileAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, href);

    Attachment attachment;
    attachment.setFileName(QStringLiteral("x.png"));
    attachment.setUploadPath(address);
    const QString markup = attachment.generateMarkup(false, nullptr);
    if (href.isNull())
        QCOMPARE(markup, QStringLiteral("<a title=\"x.png\">x.png</a>"));
    else
        QCOMPARE(markup, QStringLiteral("<a href=\"%1\" title=\"x.png\">x.png</a>").arg(href));
}

void tst_Attachment::markupTexts()
{
    Attachment attachment;
    attachment.setUploadPath(QStringLiteral("http://example.org/a.png"));
    attachment.setFileName(QStringLiteral("\"Tom & Jerry\" <1>.png"));
    QCOMPARE(
        attachment.generateMarkup(false, nullptr),
        QStringLiteral("<a href=\"http://example.org/a.png\" title=\"&quot;Tom &amp; Jerry&quot; "
                       "&lt;1&gt;.png\">&quot;Tom &amp; Jerry&quot; &lt;1&gt;.png</a>"));
    // An alt text of spaces is not empty: it becomes the link text.
    attachment.setAlt(QStringLiteral("   "));
    QVERIFY(attachment.generateMarkup(false, nullptr).endsWith(QLatin1String(">   </a>")));
}

void tst_Attachment::archiveKeepsFields()
{
    const AttachmentPtr original =
        Attachment::attachmentWithPath(testDataPath(QStringLiteral("model/notes.txt")));
    original->setAlt(QStringLiteral("Trip notes"));
    original->setUploadPath(QStringLiteral("http://127.0.0.1:8089/notes.txt"));
    original->setDestination(QStringLiteral("/files"));
    original->setAccountID(QStringLiteral("acc1"));
    original->setBlogID(QStringLiteral("1"));
    original->setUploaderSettings(QVariantMap{{QStringLiteral("public"), true}});
    QImage cell(4, 4, QImage::Format_ARGB32);
    cell.fill(Qt::yellow);
    original->setCell(cell);
    original->fileKind(); // made, but never archived
    original->fileSize();

    QCOMPARE(archivedKeys(*original),
             (QSet<QString>{"created", "uniqueID", "alt", "filePath", "uploadPath", "fileName",
                            "fileType", "destination", "accountID", "blogID", "cell",
                            "uploaderSettings"}));
    const auto decoded = archiveRoundTrip<Attachment>(*original);
    QVERIFY(decoded);
    QCOMPARE(decoded->uniqueID(), original->uniqueID());
    QCOMPARE(decoded->created(), original->created());
    QCOMPARE(decoded->alt(), QStringLiteral("Trip notes"));
    QCOMPARE(decoded->uploadPath(), original->uploadPath());
    QCOMPARE(decoded->fileType(), std::optional<int>(Attachment::OtherFile));
    QCOMPARE(decoded->uploaderSettings(), original->uploaderSettings());
    QCOMPARE(decoded->cell().pixelColor(0, 0), QColor(Qt::yellow));
    // Remade from the file on first read.
    QCOMPARE(decoded->fileSize(), QStringLiteral("32 bytes"));
    QCOMPARE(decoded->fileKind(), original->fileKind());

    // Identifier and creation time are written even when never read.
    Attachment fresh;
    QVERIFY(archivedKeys(fresh).contains(QStringLiteral("uniqueID")));
    QVERIFY(archivedKeys(fresh).contains(QStringLiteral("created")));
}

void tst_Attachment::copyKeepsClassAndIdentity()
{
    const AttachmentPtr original =
        Attachment::attachmentWithPath(testDataPath(QStringLiteral("model/dot.png")));
    original->setAlt(QStringLiteral("dot"));
    // Uploaded, so both name the same address (a picture's copy makes its own
    // converted file before that).
    original->setUploadPath(QStringLiteral("http://example.org/dot.png"));
    const AttachmentPtr copy = original->copy();
    QCOMPARE(copy->uniqueID(), original->uniqueID());
    QCOMPARE(copy->created(), original->created());
    QCOMPARE(copy->alt(), QStringLiteral("dot"));
    QCOMPARE(copy->fileType(), original->fileType());
    QCOMPARE(copy->generateMarkup(true, nullptr), original->generateMarkup(true, nullptr));
    copy->setAlt(QStringLiteral("changed"));
    QCOMPARE(original->alt(), QStringLiteral("dot"));
}

namespace {
class FakeImageAttachment : public Attachment {
public:
    QString markup() const override { return QStringLiteral("<img>"); }
};
} // namespace

void tst_Attachment::mediaFactoryTakesItsKind()
{
    Attachment::setFactory(Attachment::ImageFile, [](const QString& path) {
        auto image = std::make_shared<FakeImageAttachment>();
        image->initWithPath(path);
        image->setFileType(Attachment::ImageFile);
        return image;
    });
    const AttachmentPtr image =
        Attachment::attachmentWithPath(testDataPath(QStringLiteral("model/dot.png")));
    const AttachmentPtr text =
        Attachment::attachmentWithPath(testDataPath(QStringLiteral("model/notes.txt")));
    Attachment::setFactory(Attachment::ImageFile, {});

    QVERIFY(dynamic_cast<FakeImageAttachment*>(image.get()));
    QVERIFY(!dynamic_cast<FakeImageAttachment*>(text.get()));
    QVERIFY(!dynamic_cast<FakeImageAttachment*>(
        Attachment::attachmentWithPath(testDataPath(QStringLiteral("model/dot.png"))).get()));
}

QTEST_MAIN(tst_Attachment)
#include "tst_attachment.moc"
