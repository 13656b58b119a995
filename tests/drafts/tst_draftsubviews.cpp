#include "ColorViewSync.h"
#include "DraftSideView.h"
#include "NotificationCenter.h"
#include "RVSubView.h"
#include "ScreenshotSaver.h"
#include "UserDefaults.h"

#include <QColorDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace plumet::test;

namespace {

RVSubView* row(const QString& label, QWidget* parent)
{
    auto* view = new RVSubView(new QLabel(label), new QLineEdit, parent);
    view->setFixedHeight(28);
    return view;
}

} // namespace

class tst_DraftSubViews : public QObject {
    Q_OBJECT
private slots:
    void init();
    void rowsAlignTheirFieldsOnTheWidestLabel();
    void contentOffsetKeepsTheRightEdge();
    void rowWithoutBothFieldsIgnoresTheOffset_data();
    void rowWithoutBothFieldsIgnoresTheOffset();
    void setActiveFocusesTheField();
    void sidePanelStartsWithTheStoredColour();
    void sidePanelFollowsListViewsOnly();
    void defaultColourIsStoredAndAnnounced();
    void colourPanelChoiceIsStoredAndAnnounced();
    void separatorFacesTheContent();
};

void tst_DraftSubViews::init()
{
    UserDefaults::sharedInstance().remove(QString::fromLatin1(ColorViewSync::preferenceKey));
}

void tst_DraftSubViews::rowsAlignTheirFieldsOnTheWidestLabel()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    RVSubView* title = row(QStringLiteral("Title:"), &window);
    RVSubView* keywords = row(QStringLiteral("Keywords:"), &window);
    layout->addWidget(title);
    layout->addWidget(keywords);
    window.resize(420, 90);
    window.show();
    QVERIFY(title->contentField()->x() != keywords->contentField()->x());
    const int widest = keywords->contentOffset();
    QVERIFY(widest > title->contentOffset());

    RVSubView::alignRows({title, keywords});
    for (RVSubView* view : {title, keywords}) {
        QCOMPARE(view->contentField()->x(), widest + 15);
        // The label ends five points before the field.
        QCOMPARE(view->headerField()->geometry().right() + 1, widest + 15 - 5);
    }
    saveScreenshot(&window, QStringLiteral("draft-rows"));
}

void tst_DraftSubViews::contentOffsetKeepsTheRightEdge()
{
    QWidget window;
    RVSubView* view = row(QStringLiteral("Title:"), &window);
    view->setGeometry(0, 0, 400, 28);
    window.show();
    const int right = view->contentField()->geometry().right();
    const int y = view->contentField()->y();
    view->setContentOffset(100);
    QCOMPARE(view->contentField()->x(), 115);
    QCOMPARE(view->contentField()->geometry().right(), right);
    QCOMPARE(view->contentField()->y(), y);
    // The row widens: the field follows its right edge.
    view->resize(500, 28);
    QCOMPARE(view->contentField()->x(), 115);
    QCOMPARE(view->contentField()->geometry().right(), right + 100);
}

void tst_DraftSubViews::rowWithoutBothFieldsIgnoresTheOffset_data()
{
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("content");
    QTest::newRow("no label") << false << true;
    QTest::newRow("no field") << true << false;
    QTest::newRow("neither") << false << false;
}

void tst_DraftSubViews::rowWithoutBothFieldsIgnoresTheOffset()
{
    QFETCH(bool, header);
    QFETCH(bool, content);
    RVSubView view(header ? new QLabel(QStringLiteral("Title:")) : nullptr,
                   content ? new QLineEdit : nullptr);
    view.resize(300, 28);
    const QRect before = content ? view.contentField()->geometry() : QRect();
    QCOMPARE(view.contentOffset(), 0);
    view.setContentOffset(80);
    if (content)
        QCOMPARE(view.contentField()->geometry(), before);
}

void tst_DraftSubViews::setActiveFocusesTheField()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    RVSubView* view = row(QStringLiteral("Title:"), &window);
    layout->addWidget(other);
    layout->addWidget(view);
    view->setActive(); // not in a shown window: nothing
    QVERIFY(!view->contentField()->hasFocus());
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    view->setActive();
    QTRY_VERIFY(view->contentField()->hasFocus());
}

void tst_DraftSubViews::sidePanelStartsWithTheStoredColour()
{
    DraftSideView plain;
    QCOMPARE(plain.backgroundColor(), DraftSideView::defaultColor());
    const rv::Color stored(0.2, 0.4, 0.6, 1.0);
    UserDefaults::sharedInstance().setColor(QString::fromLatin1(ColorViewSync::preferenceKey),
                                            stored);
    DraftSideView coloured;
    QCOMPARE(coloured.backgroundColor(), stored.toQColor());
}

void tst_DraftSubViews::sidePanelFollowsListViewsOnly()
{
    DraftSideView view;
    const QColor green = QColor::fromRgbF(0.1f, 0.8f, 0.2f, 1.0f);
    auto info = [](const QColor& color) {
        return QVariantMap{{QString::fromLatin1(ColorViewSync::colorKey),
                            QVariant::fromValue(rv::Color::fromQColor(color))}};
    };
    // Another side panel's announcement is not for side panels.
    NotificationCenter::sharedInstance().post(QStringLiteral("colorView2"), nullptr, info(green));
    QCOMPARE(view.backgroundColor(), DraftSideView::defaultColor());
    NotificationCenter::sharedInstance().post(QStringLiteral("colorView1"), nullptr, info(green));
    QCOMPARE(view.backgroundColor(), green);
    QCOMPARE(UserDefaults::sharedInstance()
                 .color(QString::fromLatin1(ColorViewSync::preferenceKey))
                 .toQColor()
                 .rgba(),
             green.rgba());
}

void tst_DraftSubViews::defaultColourIsStoredAndAnnounced()
{
    DraftSideView view;
    DraftSideView other;
    view.applyColor(Qt::red);
    other.applyColor(Qt::red);
    QList<QColor> announced;
    QObject receiver;
    NotificationCenter::sharedInstance().observe(
        QStringLiteral("colorView2"), &receiver, [&](const Notification& notification) {
            announced.append(
                notification.userInfo.value(QStringLiteral("color")).value<rv::Color>().toQColor());
        });
    view.defaultColorAction();
    QCOMPARE(view.backgroundColor(), DraftSideView::defaultColor());
    QCOMPARE(announced, QList<QColor>{DraftSideView::defaultColor()});
    QVERIFY(UserDefaults::sharedInstance()
                .color(QString::fromLatin1(ColorViewSync::preferenceKey))
                .isEqualToColor(ColorViewSync::defaultColor));
    // Side panels change only on the list views' announcement.
    QCOMPARE(other.backgroundColor(), QColor(Qt::red));
}

void tst_DraftSubViews::colourPanelChoiceIsStoredAndAnnounced()
{
    DraftSideView view;
    QList<QRgb> announced;
    QObject receiver;
    NotificationCenter::sharedInstance().observe(
        QStringLiteral("colorView2"), &receiver, [&](const Notification& notification) {
            announced.append(notification.userInfo.value(QStringLiteral("color"))
                                 .value<rv::Color>()
                                 .toQColor()
                                 .rgba());
        });
    view.changeColor();
    QColorDialog* panel = view.colorPanel();
    QVERIFY(panel);
    QVERIFY(panel->testOption(QColorDialog::ShowAlphaChannel));
    QCOMPARE(panel->currentColor().rgba(), view.backgroundColor().rgba());
    QVERIFY(announced.isEmpty()); // showing the current colour chooses nothing
    const QColor chosen = QColor::fromRgbF(0.5f, 0.25f, 0.75f, 0.5f);
    panel->setCurrentColor(chosen);
    QCOMPARE(view.backgroundColor().rgba(), chosen.rgba());
    QVERIFY(!announced.isEmpty());
    QCOMPARE(announced.last(), chosen.rgba());
    QCOMPARE(UserDefaults::sharedInstance()
                 .color(QString::fromLatin1(ColorViewSync::preferenceKey))
                 .toQColor()
                 .rgba(),
             chosen.rgba());
    panel->close();
}

void tst_DraftSubViews::separatorFacesTheContent()
{
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* left = new DraftSideView(&window);
    auto* middle = new QWidget(&window);
    auto* right = new DraftSideView(&window);
    left->setFixedWidth(60);
    right->setFixedWidth(60);
    layout->addWidget(left);
    layout->addWidget(middle, 1);
    layout->addWidget(right);
    window.resize(300, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage picture = window.grab().toImage();
    const QColor separator = DraftSideView::separatorColor(window.palette());
    // At the window's left edge the line is on the panel's right edge, else on its left.
    QCOMPARE(picture.pixelColor(59, 40).rgb(), separator.rgb());
    QVERIFY(picture.pixelColor(0, 40).rgb() != separator.rgb());
    QCOMPARE(picture.pixelColor(240, 40).rgb(), separator.rgb());
    saveScreenshot(&window, QStringLiteral("draft-side-panels"));
}

QTEST_MAIN(tst_DraftSubViews)
#include "tst_draftsubviews.moc"
