#include <QTest>
class tst_appcontrol : public QObject {
    Q_OBJECT
};
QTEST_MAIN(tst_appcontrol)
#include "tst_appcontrol.moc"
