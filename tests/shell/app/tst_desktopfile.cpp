#include <QTest>
class tst_desktopfile : public QObject { Q_OBJECT };
QTEST_MAIN(tst_desktopfile)
#include "tst_desktopfile.moc"
