#include "RVAbout.h"

#include "CoverPicture.h"
#include "DesktopLinks.h"
#include "Localization.h"
#include "RoundRect.h"
#include "ViewsLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const char Table[] = "RVAbout";

QString creditsPage()
{
    QFile file(QStringLiteral(":/plumet/views/credits.html"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcViews) << "the credits page is missing";
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace

RVAboutWindow::RVAboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

RVAboutView::RVAboutView(QWidget* parent) : QWidget(parent) {}

void RVAboutView::paintEvent(QPaintEvent*)
{
    // Frosted: the palette's base, a fifth see-through, so the labels on it
    // read in a light palette and a dark one.
    QColor frost = palette().color(QPalette::Base);
    frost.setAlphaF(0.8f);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(views::roundedRectPath(QRectF(rect()), 14), frost);
}

RVAbout::RVAbout(QObject* parent)
    : QObject(parent), m_window(new RVAboutWindow), m_versionLabel(new QLabel),
      m_copyrightLabel(new QLabel), m_credits(new QTextBrowser),
      m_closeButton(new QPushButton(localized(Table, "Close")))
{
    auto* face = new RVAboutView(m_window);
    auto* windowLayout = new QVBoxLayout(m_window);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->addWidget(face);

    auto* icon = new QLabel;
    icon->setPixmap(QPixmap::fromImage(views::coverPicture())
                        .scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("plumet"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    m_versionLabel->setAlignment(Qt::AlignCenter);
    m_copyrightLabel->setAlignment(Qt::AlignCenter);
    QFont small = m_copyrightLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_copyrightLabel->setFont(small);

    // The credits sit on the frosted face: no frame, no background, no scrolling.
    m_credits->setFrameShape(QFrame::NoFrame);
    m_credits->viewport()->setAutoFillBackground(false);
    m_credits->setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    m_credits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_credits->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_credits->setContextMenuPolicy(Qt::NoContextMenu);
    m_credits->setOpenLinks(false);
    connect(m_credits, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { DesktopLinks::open(url, m_credits); });

    auto* layout = new QVBoxLayout(face);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(m_versionLabel);
    layout->addWidget(m_credits, 1);
    layout->addWidget(m_copyrightLabel);
    layout->addWidget(m_closeButton, 0, Qt::AlignHCenter);
    connect(m_closeButton, &QPushButton::clicked, this, &RVAbout::closeAbout);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_window);
    connect(escape, &QShortcut::activated, this, &RVAbout::closeAbout);

    m_window->resize(380, 440);
    setVersionNumber(QCoreApplication::applicationVersion());
    setCopyright(localized(Table, "Copyright © the plumet developers. Free software."));
    m_creditsHtml = creditsPage();
}

RVAbout::~RVAbout()
{
    delete m_window;
}

void RVAbout::setVersionNumber(const QString& version)
{
    if (version == m_versionNumber)
        return;
    m_versionNumber = version;
    m_versionLabel->setText(localized(Table, "Version %1").arg(version));
    emit versionNumberChanged(version);
}

void RVAbout::setCopyright(const QString& text)
{
    if (text == m_copyright)
        return;
    m_copyright = text;
    m_copyrightLabel->setText(text);
    emit copyrightChanged(text);
}

void RVAbout::about()
{
    if (QScreen* screen =
            m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_credits->setHtml(m_creditsHtml);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool RVAbout::isShowing() const
{
    return m_window->isVisible();
}

void RVAbout::closeAbout()
{
    m_window->hide();
    m_credits->clear();
}
