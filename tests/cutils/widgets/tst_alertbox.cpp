#include "AlertBox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

// Alerts on a wide screen: the message box measures a title on one line and
// then may give it less room than that; every word of a title must show.
class tst_AlertBox : public QObject {
    Q_OBJECT
private slots:
    void titlesWrapInsteadOfBeingCut_data();
    void titlesWrapInsteadOfBeingCut();
    void plainQuestionsWrapToo();

private:
    static void verifyAllTextShows(QMessageBox& box);
};

namespace {

// The lines a label's text takes at the label's width, and how wide the widest is.
QSizeF laidOut(const QLabel& label)
{
    QTextDocument document;
    document.setDefaultFont(label.font());
    document.setDocumentMargin(0);
    if (label.textFormat() == Qt::RichText || Qt::mightBeRichText(label.text()))
        document.setHtml(label.text());
    else
        document.setPlainText(label.text());
    document.setTextWidth(label.contentsRect().width());
    return {document.idealWidth(), document.size().height()};
}

} // namespace

void tst_AlertBox::verifyAllTextShows(QMessageBox& box)
{
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCoreApplication::processEvents();
    for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"}) {
        const auto* label = box.findChild<QLabel*>(QLatin1String(name));
        if (!label || label->text().isEmpty())
            continue;
        const QSizeF needs = laidOut(*label);
        const QString where = QStringLiteral("%1: label %2x%3, text %4x%5")
                                  .arg(QLatin1String(name))
                                  .arg(label->width())
                                  .arg(label->height())
                                  .arg(needs.width())
                                  .arg(needs.height());
        // No line wider than the label, no line below its bottom.
        QVERIFY2(needs.width() <= label->contentsRect().width() + 1, qPrintable(where));
        QVERIFY2(needs.height() <= label->contentsRect().height() + 1, qPrintable(where));
        // And the label lies inside the box.
        QVERIFY2(box.rect().contains(label->geometry()), qPrintable(where));
    }
}

void tst_AlertBox::titlesWrapInsteadOfBeingCut_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::newRow("short") << "Cannot view in browser"
                           << "The selection contains no valid URL addresses.";
    QTest::newRow("a question") << "Do you want to save changes to this draft before closing?"
                                << "If you don't save, your changes will be lost.";
    QTest::newRow("an entry's long name")
        << "Are you sure you want to delete \"A rather long title of a post that goes on and on "
           "about the garden in spring, the roses and the first tomatoes\"?"
        << "This action cannot be undone.";
    QTest::newRow("a long message")
        << "Publishing failed"
        << "The server answered with an error that explains at some length what went wrong, "
           "why it went wrong, and what might be done about it the next time round.";
}

void tst_AlertBox::titlesWrapInsteadOfBeingCut()
{
    QFETCH(QString, title);
    QFETCH(QString, message);
    QMessageBox* box = cutils::makeAlert(QMessageBox::Warning, title, message, nullptr);
    box->addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Don't Save"), QMessageBox::DestructiveRole);
    box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    verifyAllTextShows(*box);
    // Wide enough to read, never wider than a readable line.
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label->width() >= AlertBox::MinimumTextWidth);
    QVERIFY(label->width() <= AlertBox::MaximumTextWidth + 20);
    delete box;
}

void tst_AlertBox::plainQuestionsWrapToo()
{
    AlertBox box(QMessageBox::Warning, QStringLiteral("Delete"),
                 QStringLiteral("Are you sure you want to delete the selected items, all of "
                                "them, here and on the server, before closing?"),
                 QMessageBox::Yes | QMessageBox::No);
    box.setInformativeText(QStringLiteral("This action cannot be undone."));
    verifyAllTextShows(box);
}

int main(int argc, char** argv)
{
    // A wide screen: on a narrow one the message box wraps on its own.
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1920, "height": 1080,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    tst_AlertBox test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_alertbox.moc"
