#include <QTest>
class tst_scriptingservice : public QObject { Q_OBJECT };
QTEST_MAIN(tst_scriptingservice)
#include "tst_scriptingservice.moc"
