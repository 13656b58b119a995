#include "UpdateWindow.h"

#include "AlertBox.h"
#include "DesktopLinks.h"
#include "DisplayStrings.h"
#include "RVUpdater.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const QString showChangesKey = QStringLiteral("showChanges");
constexpr int changesHeight = 220;

QString trUpdater(const char* text)
{
    return QCoreApplication::translate("RVUpdater", text);
}

} // namespace

UpdateWindow::UpdateWindow(RVUpdater& updater, QWidget* parent)
    : QWidget(parent, Qt::Dialog), m_updater(updater)
{
    setWindowTitle(trUpdater("Software Update"));
    m_versionHeader = new QLabel(this);
    QFont headerFont = m_versionHeader->font();
    headerFont.setBold(true);
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.2);
    m_versionHeader->setFont(headerFont);
    m_details = new QLabel(this);
    m_details->setWordWrap(true);

    m_toggleButton = new QPushButton(this);
    m_toggleButton->setFlat(true);
    connect(m_toggleButton, &QPushButton::clicked, this, &UpdateWindow::toggleChanges);

    m_changes = new QTextBrowser(this);
    m_changes->setOpenLinks(false);
    m_changes->setFixedHeight(changesHeight);
    // The feed writes the change list: its links go to web pages, nowhere else.
    connect(m_changes, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
            openInBrowser(url);
    });

    auto* cancel = new QPushButton(trUpdater("Cancel"), this);
    m_downloadButton = new QPushButton(trUpdater("Download"), this);
    m_installButton = new QPushButton(trUpdater("Download and Install"), this);
    connect(cancel, &QPushButton::clicked, this, [this] { m_updater.cancel(); });
    connect(m_downloadButton, &QPushButton::clicked, this, [this] { m_updater.download(); });
    connect(m_installButton, &QPushButton::clicked, this,
            [this] { m_updater.downloadAndInstall(); });

    auto* toggleRow = new QHBoxLayout;
    toggleRow->addWidget(m_toggleButton);
    toggleRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(m_downloadButton);
    buttons->addWidget(m_installButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->addWidget(m_versionHeader);
    layout->addWidget(m_details);
    layout->addLayout(toggleRow);
    layout->addWidget(m_changes);
    layout->addLayout(buttons);
    // The window takes its layout's size; the header sets the width.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_versionHeader->setMinimumWidth(460);
}

QString UpdateWindow::header() const
{
    return m_versionHeader->text();
}

void UpdateWindow::showUpdate(const UpdateOffer& offer)
{
    m_versionHeader->setText(trUpdater("New version (%1) available!").arg(offer.version));
    bool isNumber = false;
    const qulonglong bytes = offer.fileSize.toULongLong(&isNumber);
    m_details->setText(isNumber && bytes > 0
                           ? trUpdater("plumet %1 is ready. The download is %2.")
                                 .arg(offer.version, cutils::stringForFileSize(bytes))
                           : trUpdater("plumet %1 is ready.").arg(offer.version));
    m_changes->setHtml(offer.changesList);
    const bool canInstall = m_updater.canInstall();
    m_installButton->setVisible(canInstall);
    (canInstall ? m_installButton : m_downloadButton)->setDefault(true);
    (canInstall ? m_downloadButton : m_installButton)->setDefault(false);
    showChanges();
    if (!isVisible()) {
        adjustSize();
        if (const QScreen* screen = QApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void UpdateWindow::hideUpdate()
{
    hide();
}

void UpdateWindow::showAlert(const QString& title, const QString& message)
{
    QWidget* parent = isVisible() ? this : QApplication::activeWindow();
    QMessageBox* box = cutils::makeAlert(QMessageBox::Information, title, message, parent);
    box->addButton(QMessageBox::Ok);
    box->open();
}

void UpdateWindow::openInBrowser(const QUrl& url)
{
    DesktopLinks::open(url, this);
}

bool UpdateWindow::changesShown() const
{
    return !m_changes->isHidden();
}

void UpdateWindow::showChanges()
{
    const bool wanted = UserDefaults::sharedInstance().boolean(showChangesKey);
    m_toggleButton->setText(wanted ? trUpdater("▾ Hide Changes") : trUpdater("▸ Show Changes"));
    if (wanted == changesShown())
        return;
    // The fixed-size layout grows or shrinks the window below; a move keeps
    // the top edge where it was.
    const QPoint topLeft = pos();
    m_changes->setVisible(wanted);
    adjustSize();
    move(topLeft);
}

void UpdateWindow::toggleChanges()
{
    UserDefaults::sharedInstance().setValue(showChangesKey, !changesShown());
    showChanges();
}
