#include "AccountSheet.h"

#include "AlertBox.h"
#include "ButtonExtensions.h"
#include "Localization.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int minimumSheetWidth = 440;

QString text(const char* source)
{
    return localized("AccountController", source);
}

QLabel* wrappingLabel(const QString& content = {})
{
    auto* label = new QLabel(content);
    // Server messages are shown as they came, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// An alert picture beside a message.
QWidget* iconAndMessage(QStyle::StandardPixmap picture, QLabel* message, QWidget* parent)
{
    auto* page = new QWidget;
    auto* icon = new QLabel;
    const int side = parent->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(parent->style()->standardIcon(picture).pixmap(side, side));
    icon->setAlignment(Qt::AlignTop);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(icon);
    layout->addWidget(message, 1);
    return page;
}

} // namespace

AccountSheet::AccountSheet(QWidget* window) : QDialog(window)
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(text("Accounts"));
    // The palette's own window colour, not the accounts window's: the sheet
    // stands out from the list colour behind it, light or dark.
    setPalette(QApplication::palette(this));
    setAutoFillBackground(true);

    m_pages = new QStackedWidget;
    m_pages->addWidget(makeProgressPage());
    m_pages->addWidget(makeErrorPage());
    m_pages->addWidget(makeAddressPage());
    m_pages->addWidget(makeAccessPointPage());
    m_pages->addWidget(makeAuthenticationPage());
    m_pages->addWidget(makeWarningPage());
    m_pages->addWidget(makeInformationPage());

    m_button1 = new QPushButton;
    m_button2 = new QPushButton;
    m_button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_button2);
    buttons->addWidget(m_button1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetNoConstraint);

    resetStatus();
    swapViews(Page::Progress);
}

AccountSheet::~AccountSheet() = default;

QWidget* AccountSheet::makeProgressPage()
{
    auto* page = new QWidget;
    m_status = wrappingLabel();
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    m_subStatus = wrappingLabel();
    QFont small = m_subStatus->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_subStatus->setFont(small);
    m_progress = new QProgressBar;
    m_progress->setTextVisible(false);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_subStatus);
    return page;
}

QWidget* AccountSheet::makeErrorPage()
{
    m_error = wrappingLabel();
    m_error->setObjectName(QStringLiteral("errorMessage"));
    return iconAndMessage(QStyle::SP_MessageBoxCritical, m_error, this);
}

QWidget* AccountSheet::makeWarningPage()
{
    m_warning = wrappingLabel();
    m_warning->setObjectName(QStringLiteral("warningMessage"));
    return iconAndMessage(QStyle::SP_MessageBoxWarning, m_warning, this);
}

QWidget* AccountSheet::makeInformationPage()
{
    m_information = wrappingLabel();
    m_information->setObjectName(QStringLiteral("informationMessage"));
    return iconAndMessage(QStyle::SP_MessageBoxInformation, m_information, this);
}

QWidget* AccountSheet::makeAddressPage()
{
    auto* page = new QWidget;
    auto* intro =
        wrappingLabel(text("Choose your blog system and type the address of your blog's home page. "
                           "plumet finds the blog's access point there."));
    m_configPopup = new QComboBox;
    m_address = new QLineEdit;
    m_address->setPlaceholderText(QStringLiteral("https://example.com/blog/"));
    auto* form = new QFormLayout;
    form->addRow(text("Blog system:"), m_configPopup);
    form->addRow(text("Blog address:"), m_address);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(intro);
    layout->addLayout(form);
    return page;
}

QWidget* AccountSheet::makeAccessPointPage()
{
    auto* page = new QWidget;
    auto* intro = wrappingLabel(
        text("No access point was found on the blog's page. Type the address of the blog's "
             "XML-RPC or Atom access point (for WordPress it ends in \"xmlrpc.php\")."));
    m_accessPoint = new QLineEdit;
    m_accessPoint->setPlaceholderText(QStringLiteral("https://example.com/blog/xmlrpc.php"));
    auto* form = new QFormLayout;
    form->addRow(text("Access point:"), m_accessPoint);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(intro);
    layout->addLayout(form);
    return page;
}

QWidget* AccountSheet::makeAuthenticationPage()
{
    auto* page = new QWidget;
    // Where the login goes, said before it is asked for.
    m_foundHeading = wrappingLabel();
    m_foundHeading->setObjectName(QStringLiteral("foundHeading"));
    m_foundSystem = wrappingLabel();
    m_foundSystem->setObjectName(QStringLiteral("foundSystem"));
    QFont bold = m_foundSystem->font();
    bold.setBold(true);
    m_foundSystem->setFont(bold);
    m_foundAccessPoint = wrappingLabel();
    m_foundAccessPoint->setObjectName(QStringLiteral("foundAccessPoint"));
    auto* intro = wrappingLabel(text("Type the user name and password you log in to your "
                                     "blog with. The password is kept in your keyring."));
    m_user = new QLineEdit;
    m_password = new QLineEdit;
    m_password->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout(page);
    form->addRow(m_foundHeading);
    form->addRow(text("Blog system:"), m_foundSystem);
    form->addRow(text("Access point:"), m_foundAccessPoint);
    form->addItem(new QSpacerItem(0, intro->fontMetrics().height() / 2));
    form->addRow(intro);
    form->addRow(text("User name:"), m_user);
    form->addRow(text("Password:"), m_password);
    return page;
}

void AccountSheet::setFound(const QString& heading, const QString& system,
                            const QString& accessPoint)
{
    m_foundHeading->setText(heading);
    m_foundSystem->setText(system);
    // A long address breaks after its slashes rather than widening the sheet.
    m_foundAccessPoint->setText(cutils::wrappablePaths(accessPoint));
    if (m_page == Page::Authentication)
        fitToPage();
}

void AccountSheet::swapViews(Page page)
{
    m_page = page;
    const int number = int(page);
    // Only the shown page counts for the sheet's size.
    for (int index = 0; index < m_pages->count(); ++index)
        m_pages->widget(index)->setSizePolicy(
            index == number ? QSizePolicy::Preferred : QSizePolicy::Ignored,
            index == number ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    m_pages->setCurrentIndex(number);
    fitToPage();
    QWidget* shown = m_pages->currentWidget();
    const auto fields = shown->findChildren<QLineEdit*>();
    if (!fields.isEmpty()) {
        fields.first()->setFocus();
        fields.first()->selectAll();
    } else {
        m_button1->setFocus();
    }
}

void AccountSheet::fitToPage()
{
    int width = minimumSheetWidth;
    if (QWidget* window = parentWidget())
        width = qMax(minimumSheetWidth, window->width() - 20);
    setFixedWidth(width);
    layout()->activate();
    const int height = layout()->heightForWidth(width) > 0 ? layout()->heightForWidth(width)
                                                           : layout()->sizeHint().height();
    setFixedHeight(height);
    if (isVisible())
        return;
    QWidget* window = parentWidget();
    if (window && window->isVisible()) {
        // The top edge under the window's title, as a sheet's.
        const QRect frame = window->geometry();
        move(frame.x() + (frame.width() - width) / 2, frame.y());
        return;
    }
    // With its window not shown (the first start's wizard), a window of its
    // own in the middle of the screen.
    if (QScreen* shownOn = window ? window->screen() : screen()) {
        const QRect free = shownOn->availableGeometry();
        move(free.x() + (free.width() - width) / 2, free.y() + (free.height() - height) / 2);
    }
}

void AccountSheet::configureButton(Button which, const QString& title, const QKeySequence& key,
                                   std::function<void()> action)
{
    QPushButton* target = button(which);
    ::configureButton(target, title, true, std::move(action), key, false);
    if (which == FirstButton)
        target->setDefault(key == QKeySequence(Qt::Key_Return));
}

void AccountSheet::hideButton(Button which)
{
    ::configureButton(button(which), QString(), false, {}, QKeySequence(), true);
}

QPushButton* AccountSheet::button(Button which) const
{
    return which == FirstButton ? m_button1 : m_button2;
}

void AccountSheet::begin()
{
    if (isVisible())
        return;
    fitToPage();
    open();
    // Alone on the screen it takes the keys at once, as the window in front.
    raise();
    activateWindow();
}

void AccountSheet::end(int code)
{
    done(code);
}

void AccountSheet::done(int code)
{
    const bool wasShown = isVisible();
    QDialog::done(code);
    setWindowTitle(text("Accounts"));
    if (wasShown)
        emit ended(code);
}

void AccountSheet::reject()
{
    for (QPushButton* candidate : {m_button1, m_button2}) {
        if (!candidate->isHidden() && candidate->isEnabled() &&
            candidate->shortcut() == QKeySequence(Qt::Key_Escape)) {
            candidate->click();
            return;
        }
    }
}

void AccountSheet::setStatus(const QString& status)
{
    m_status->setText(status);
}

void AccountSheet::setSubStatus(const QString& status)
{
    m_subStatus->setText(status);
}

void AccountSheet::setDuration(double duration)
{
    if (duration < 1) {
        m_progress->setRange(0, 0);
        return;
    }
    m_progress->setRange(0, int(qMin(duration, 1e9)));
    m_progress->setValue(0);
}

void AccountSheet::setProgress(double progress)
{
    if (m_progress->maximum() > 0)
        m_progress->setValue(int(qBound(0.0, progress, double(m_progress->maximum()))));
}

void AccountSheet::resetStatus()
{
    m_status->setText(text("Initializing..."));
    m_subStatus->clear();
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
}

void AccountSheet::setErrorMessage(const QString& message)
{
    m_error->setText(message);
    if (m_page == Page::Error)
        fitToPage();
}

void AccountSheet::setWarningMessage(const QString& message)
{
    m_warning->setText(message);
    if (m_page == Page::Warning)
        fitToPage();
}

void AccountSheet::setInformationMessage(const QString& message)
{
    m_information->setText(message);
    if (m_page == Page::Information)
        fitToPage();
}
