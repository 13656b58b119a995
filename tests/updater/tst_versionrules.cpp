#include "VersionRules.h"

#include <QTest>

class tst_VersionRules : public QObject {
    Q_OBJECT
private slots:
    void isNewer_data();
    void isNewer();
};

void tst_VersionRules::isNewer_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<bool>("newer");

    QTest::newRow("beta to its release") << "3.0b2"
                                         << "3.0" << true;
    QTest::newRow("release to its beta") << "3.0"
                                         << "3.0b2" << false;
    QTest::newRow("feed has fewer components") << "3.0.1"
                                               << "3.0" << false;
    QTest::newRow("feed has a further component") << "3.0"
                                                  << "3.0.1" << true;
    QTest::newRow("older major") << "3.1"
                                 << "2.9" << false;
    QTest::newRow("same version") << "3.0"
                                  << "3.0" << false;
    QTest::newRow("alpha of a later version to an earlier release") << "3.1a2"
                                                                    << "3.0" << false;
    QTest::newRow("beta of a later version to an earlier release") << "3.1b1"
                                                                   << "3.0" << false;
    QTest::newRow("alpha to its release") << "3.0a2"
                                          << "3.0" << true;
    QTest::newRow("later alpha") << "3.0a1"
                                 << "3.0a2" << true;
    QTest::newRow("earlier alpha") << "3.0a2"
                                   << "3.0a1" << false;
    QTest::newRow("alpha to beta") << "3.0a9"
                                   << "3.0b1" << true;
    QTest::newRow("beta to alpha") << "3.0b1"
                                   << "3.0a9" << false;
    QTest::newRow("alpha to the next version's alpha") << "3.0a5"
                                                       << "3.1a1" << true;
    QTest::newRow("numbers, not text") << "9.9"
                                       << "10.0" << true;
    QTest::newRow("numbers, not text, backwards") << "10.0"
                                                  << "9.9" << false;
    QTest::newRow("trailing zero is the same") << "3.0"
                                               << "3.0.0" << false;
    QTest::newRow("short form of the same") << "3.0.0"
                                            << "3.0" << false;
    QTest::newRow("spelled-out beta") << "3.0 beta 1"
                                      << "3.0 beta 2" << true;
    QTest::newRow("spelled-out beta to its release") << "3.0 beta 2"
                                                     << "3.0" << true;
    QTest::newRow("upper-case mark") << "3.0B1"
                                     << "3.0b2" << true;
    QTest::newRow("candidate to its release") << "3.0rc1"
                                              << "3.0" << true;
    QTest::newRow("release to its candidate") << "3.0"
                                              << "3.0rc1" << false;
    QTest::newRow("candidate to itself") << "3.0rc1"
                                         << "3.0rc1" << false;
    QTest::newRow("beta to candidate") << "3.0b2"
                                       << "3.0rc1" << true;
    QTest::newRow("candidate to beta") << "3.0rc1"
                                       << "3.0b9" << false;
    QTest::newRow("later candidate") << "3.0rc1"
                                     << "3.0-rc2" << true;
    QTest::newRow("other mark is a pre-release") << "3.0pre1"
                                                 << "3.0" << true;
    QTest::newRow("candidate of the next version") << "3.0"
                                                   << "3.1rc1" << true;
    QTest::newRow("empty offer") << "3.0"
                                 << "" << false;
    QTest::newRow("text offer") << "3.0"
                                << "latest" << false;
    QTest::newRow("surrounding space") << "3.0"
                                       << " 3.0.1\n"
                                       << true;
}

void tst_VersionRules::isNewer()
{
    QFETCH(QString, current);
    QFETCH(QString, offered);
    QFETCH(bool, newer);
    QCOMPARE(VersionRules::isNewer(current, offered), newer);
}

QTEST_GUILESS_MAIN(tst_VersionRules)
#include "tst_versionrules.moc"
