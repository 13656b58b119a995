#include <QTest>
class tst_plugininstaller : public QObject { Q_OBJECT };
QTEST_MAIN(tst_plugininstaller)
#include "tst_plugininstaller.moc"
