#include "SecurityQuestionPrompter.h"

#include <QAbstractButton>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class tst_SecurityQuestion : public QObject {
    Q_OBJECT
private slots:
    void answersFromTheBox_data();
    void answersFromTheBox();
};

void tst_SecurityQuestion::answersFromTheBox_data()
{
    QTest::addColumn<bool>("certificate");
    QTest::addColumn<QString>("how"); // "accept", "cancel" or "return"
    QTest::addColumn<bool>("expected");
    for (const bool certificate : {true, false}) {
        const char* kind = certificate ? "certificate" : "redirect";
        QTest::addRow("%s accepted", kind) << certificate << "accept" << true;
        QTest::addRow("%s cancelled", kind) << certificate << "cancel" << false;
        // A stray Return takes the default button, which must be the safe one.
        QTest::addRow("%s return key", kind) << certificate << "return" << false;
    }
}

void tst_SecurityQuestion::answersFromTheBox()
{
    QFETCH(bool, certificate);
    QFETCH(QString, how);
    QFETCH(bool, expected);
    QMainWindow window;
    window.show();
    SecurityQuestionPrompter prompter(&window);
    std::optional<bool> answer;
    auto done = [&](bool accepted) { answer = accepted; };
    if (certificate) {
        const CertificateProblem problem{QStringLiteral("blog.test"),
                                         443,
                                         QByteArray(64, 'a'),
                                         {QStringLiteral("The certificate is self-signed")}};
        prompter.askToTrustCertificate(problem, done);
    } else {
        prompter.askToFollowInsecureRedirect(QUrl(QStringLiteral("https://u:pw@blog.test/a")),
                                             QUrl(QStringLiteral("http://blog.test/a")), done);
    }
    QMessageBox* box = prompter.currentQuestion();
    QVERIFY(box);
    QVERIFY(QTest::qWaitFor([&] { return box->isVisible(); }, 5000));
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QVERIFY(box->text().contains(QStringLiteral("blog.test")));
    QVERIFY(!box->text().contains(QStringLiteral("pw@"))); // no credentials in words
    if (certificate)
        QVERIFY(box->text().contains(QStringLiteral("self-signed")));

    if (how == QLatin1String("accept")) {
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == QMessageBox::AcceptRole)
                button->click();
    } else if (how == QLatin1String("cancel")) {
        box->button(QMessageBox::Cancel)->click();
    } else {
        QTest::keyClick(box, Qt::Key_Return);
    }
    QVERIFY(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
    QCOMPARE(*answer, expected);
}

QTEST_MAIN(tst_SecurityQuestion)
#include "tst_securityquestion.moc"
