#include "ArchiveRoundTrip.h"
#include "SupportFolder.h"
#include "Template.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

class tst_Template : public QObject {
    Q_OBJECT
private slots:
    void defaultsOfANewTemplate();
    void factoryTemplates();
    void previewTemplateCarriesPlaceholders();
    void copyMatchesAndIsIndependent();
    void archiveKeepsFields();
    void decodedWithoutIdentifierMakesOne();
    void backgroundOfACopyLeavesTheOriginal();
    void backgroundWriteFailureKeepsPreviousPath();

private:
    static QStringList fieldsOf(const Template& t);
};

QStringList tst_Template::fieldsOf(const Template& t)
{
    auto color = [](const std::optional<rv::Color>& c) {
        return c ? QStringLiteral("%1,%2,%3,%4")
                       .arg(c->red())
                       .arg(c->green())
                       .arg(c->blue())
                       .arg(c->alpha())
                 : QStringLiteral("nil");
    };
    auto number = [](const auto& n) { return n ? QString::number(*n) : QStringLiteral("nil"); };
    return {t.uniqueID(),
            t.html(),
            t.body(),
            t.extended(),
            t.summary(),
            t.keywords(),
            t.title(),
            t.separator(),
            t.url(),
            t.css(),
            t.js(),
            number(t.location()),
            t.backgroundImage(),
            color(t.backgroundColor()),
            color(t.textColor()),
            color(t.htmlColor()),
            color(t.attributeColor()),
            color(t.bracketColor()),
            t.fontName(),
            number(t.fontSize()),
            QString::number(t.alignment()),
            number(t.tileBackground())};
}

void tst_Template::defaultsOfANewTemplate()
{
    Template t;
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(t.uniqueID()).hasMatch());
    QVERIFY(Template().uniqueID() != t.uniqueID());
    QCOMPARE(t.separator(), QStringLiteral(", "));
    QCOMPARE(t.alignment(), 1);
    QVERIFY(!t.location());
    QCOMPARE(t.body(), QString(""));

    // A caller filling placeholders in a result leaves the template alone.
    t.setBody(QStringLiteral("<q>$quote$</q>"));
    QString filled = t.body();
    filled.replace(QStringLiteral("$quote$"), QStringLiteral("hello"));
    QCOMPARE(t.body(), QStringLiteral("<q>$quote$</q>"));
}

void tst_Template::factoryTemplates()
{
    const TemplatePtr rich = Template::defaultRichTemplate();
    const TemplatePtr source = Template::defaultHtmlTemplate();

    QCOMPARE(rich->alignment(), 1);
    QCOMPARE(source->alignment(), 0);
    QCOMPARE(rich->fontSize(), std::optional<double>(12.0));
    QCOMPARE(source->fontSize(), std::optional<double>(9.0));
    QVERIFY(!rich->fontName().isEmpty());
    QVERIFY(!source->fontName().isEmpty());
    QCOMPARE(rich->backgroundColor(), std::optional<rv::Color>(rv::Color(1, 1, 1, 1)));
    QCOMPARE(rich->textColor(), std::optional<rv::Color>(rv::Color(0, 0, 0, 1)));
    QCOMPARE(source->htmlColor(), std::optional<rv::Color>(rv::Color(1, 0.502, 0, 1)));
    QCOMPARE(source->attributeColor(), std::optional<rv::Color>(rv::Color(0.502, 0, 1, 1)));
    QCOMPARE(source->bracketColor(), std::optional<rv::Color>(rv::Color(1, 0.03, 0.69, 1)));
    QCOMPARE(source->tileBackground(), std::optional<bool>(false));
    QVERIFY(!rich->htmlColor());
    QCOMPARE(source->css(), QStringLiteral(".plumet_tag {color:$TAGCOLOR$;}\n.plumet_attr "
                                           "{color:$ATTRCOLOR$;}\n.plumetcontent {padding: 6px;}"));
    QCOMPARE(rich->css(), QString(""));
    // Each call answers a new template.
    QVERIFY(Template::defaultRichTemplate()->uniqueID() != rich->uniqueID());
}

void tst_Template::previewTemplateCarriesPlaceholders()
{
    const TemplatePtr preview = Template::defaultPreviewTemplate();
    for (const char* placeholder : {"$script$", "$css$", "$body$"})
        QVERIFY2(preview->html().contains(QLatin1String(placeholder)), placeholder);
    for (const char* placeholder :
         {"$title$", "$date$", "$body$", "$summary$", "$categories$", "$tags$", "$keywords$"})
        QVERIFY2(preview->body().contains(QLatin1String(placeholder)), placeholder);
    QVERIFY(!preview->body().contains(QLatin1String("<html")));
    QVERIFY(!preview->css().isEmpty());
    QCOMPARE(preview->js(), QString(""));
}

void tst_Template::copyMatchesAndIsIndependent()
{
    const TemplatePtr original = Template::defaultHtmlTemplate();
    original->setLocation(3);
    original->setUrl(QStringLiteral("https://tags.example/tag/"));
    original->setBackgroundImage(QStringLiteral("/tmp/picture.png"));

    const TemplatePtr copy = original->copy();
    QCOMPARE(fieldsOf(*copy), fieldsOf(*original));
    QCOMPARE(copy->uniqueID(), original->uniqueID());

    copy->setCss(QStringLiteral("p {}"));
    copy->setTextColor(rv::Color(0.2, 0.2, 0.2));
    QVERIFY(original->css().startsWith(QLatin1String(".plumet_tag")));
    QCOMPARE(original->textColor(), std::optional<rv::Color>(rv::Color(0, 0, 0, 1)));
}

void tst_Template::archiveKeepsFields()
{
    const TemplatePtr original = Template::defaultHtmlTemplate();
    original->setTitle(QStringLiteral("$title$"));
    original->setLocation(2);
    original->setBackgroundColor(rv::Color(0.25, 0.5, 0.75, 0.5));

    const auto decoded = archiveRoundTrip<Template>(*original);
    QVERIFY(decoded);
    QCOMPARE(fieldsOf(*decoded), fieldsOf(*original));

    // Only fields that are set are written; the identifier always is.
    Template bare;
    QCOMPARE(archivedKeys(bare), QSet<QString>{QStringLiteral("uniqueID")});
    bare.separator();
    QCOMPARE(archivedKeys(bare), (QSet<QString>{"uniqueID", "separator"}));
}

void tst_Template::decodedWithoutIdentifierMakesOne()
{
    Template t;
    t.setUniqueID(QString());
    t.setCss(QStringLiteral("p {}"));
    const QString made = t.uniqueID(); // made on first read
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(made).hasMatch());
    QCOMPARE(t.uniqueID(), made);
    const auto decoded = archiveRoundTrip<Template>(t);
    QCOMPARE(decoded->uniqueID(), made);
}

void tst_Template::backgroundOfACopyLeavesTheOriginal()
{
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(4, 4, QImage::Format_RGB32);
    blue.fill(Qt::blue);

    const TemplatePtr inFirstBlog = Template::defaultRichTemplate();
    QString error;
    QVERIFY2(inFirstBlog->storeBackgroundImage(red, &error), qPrintable(error));
    const TemplatePtr inSecondBlog = inFirstBlog->copy();
    QCOMPARE(inSecondBlog->uniqueID(), inFirstBlog->uniqueID());

    QVERIFY2(inSecondBlog->storeBackgroundImage(blue, &error), qPrintable(error));
    QVERIFY(inSecondBlog->backgroundImage() != inFirstBlog->backgroundImage());
    QCOMPARE(QImage(inFirstBlog->backgroundImage()).pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(QImage(inSecondBlog->backgroundImage()).pixelColor(0, 0), QColor(Qt::blue));
    // PNG, so the web-based editor can show it.
    QCOMPARE(QImageReader(inSecondBlog->backgroundImage()).format(), QByteArray("png"));
    QVERIFY(inSecondBlog->backgroundImage().endsWith(QLatin1String(".png")));
}

void tst_Template::backgroundWriteFailureKeepsPreviousPath()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit() + "/data");
    // The program would end here with an alert; the test only wants the answer.
    const auto previousHandler = cutils::setSupportFolderFailureHandler([](const QString&) {});

    Template t;
    t.setBackgroundImage(QStringLiteral("/previous.png"));
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    QString error;
    const bool written = t.storeBackgroundImage(image, &error);
    qputenv("XDG_DATA_HOME", savedHome);
    cutils::setSupportFolderFailureHandler(previousHandler);

    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(t.backgroundImage(), QStringLiteral("/previous.png"));
    QVERIFY(!t.storeBackgroundImage(QImage(), &error));
}

QTEST_MAIN(tst_Template)
#include "tst_template.moc"
