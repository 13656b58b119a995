#include "ImportWindow.h"

#include "Account.h"
#include "AccountList.h"
#include "Blog.h"
#include "ImportGroups.h"
#include "Localization.h"
#include "PreviousVersionImport.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString text(const char* source)
{
    return localized("AccountController", source);
}

// The import's progress in the window's bar, drawn at once.
class BarProgress : public ImportProgress {
public:
    explicit BarProgress(QProgressBar* bar) : m_bar(bar) {}
    void setRange(int minimum, int maximum) override { m_bar->setRange(minimum, maximum); }
    void setWarningValue(int) override {}
    void setCriticalValue(int) override {}
    void setValue(int value) override
    {
        m_bar->setValue(value);
        m_bar->repaint();
    }
    void setVisible(bool visible) override { m_bar->setVisible(visible); }

private:
    QProgressBar* m_bar;
};

} // namespace

ImportWindow::ImportWindow(AccountList& accounts, QWidget* parent)
    : QWidget(parent, Qt::Window), m_accounts(accounts)
{
    setWindowTitle(text("Import Entries"));
    auto* intro = new QLabel(text("Entries of the previous version were found. Choose where "
                                  "they came from and the blog they belong to."));
    intro->setWordWrap(true);
    m_importPopup = new QComboBox;
    m_accountPopup = new QToolButton;
    m_accountPopup->setPopupMode(QToolButton::InstantPopup);
    m_accountPopup->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_accountPopup->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_accountMenu = new QMenu(m_accountPopup);
    m_accountPopup->setMenu(m_accountMenu);
    m_progress = new QProgressBar;
    m_progress->hide();
    m_importButton = new QPushButton(text("Import"));
    m_importButton->setDefault(true);
    auto* done = new QPushButton(text("Done"));

    auto* form = new QFormLayout;
    form->addRow(text("Entries of:"), m_importPopup);
    form->addRow(text("Import into:"), m_accountPopup);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addStretch();
    buttons->addWidget(done);
    buttons->addWidget(m_importButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_importButton, &QPushButton::clicked, this, [this] { importAction(); });
    connect(done, &QPushButton::clicked, this, &ImportWindow::importDone);
    resize(480, 180);
}

ImportWindow::~ImportWindow() = default;

void ImportWindow::handleOldPlumet(const QVariantList& entries)
{
    if (entries.isEmpty() || isVisible())
        return;
    m_groups = ImportGroups::group(entries);
    m_importPopup->clear();
    m_importPopup->addItems(ImportGroups::sortedNames(m_groups));
    rebuildAccountMenu();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
}

void ImportWindow::rebuildAccountMenu()
{
    m_accountMenu->clear();
    m_target = nullptr;
    m_accountPopup->setText(text("Choose a blog"));
    for (const auto& account : m_accounts.accounts()) {
        if (account->blogs().isEmpty())
            continue;
        QMenu* blogs = m_accountMenu->addMenu(account->title());
        blogs->menuAction()->setCheckable(true);
        blogs->menuAction()->setData(QVariant::fromValue(static_cast<QObject*>(account.get())));
        for (const auto& blog : account->blogs()) {
            QAction* item = blogs->addAction(blog->displayName());
            item->setCheckable(true);
            item->setData(QVariant::fromValue(static_cast<QObject*>(blog.get())));
            Blog* chosen = blog.get();
            connect(item, &QAction::triggered, this, [this, chosen] { toggleBlog(chosen); });
        }
    }
}

void ImportWindow::toggleBlog(Blog* blog)
{
    if (!blog)
        return;
    for (QAction* accountItem : m_accountMenu->actions()) {
        accountItem->setChecked(false);
        if (QMenu* blogs = accountItem->menu()) {
            for (QAction* blogItem : blogs->actions()) {
                const bool chosen = blogItem->data().value<QObject*>() == blog;
                blogItem->setChecked(chosen);
                if (chosen)
                    accountItem->setChecked(true);
            }
        }
    }
    m_target = blog;
    const Account* owner = blog->account();
    m_accountPopup->setText(owner
                                ? QStringLiteral("%1: %2").arg(owner->title(), blog->displayName())
                                : blog->displayName());
}

Blog* ImportWindow::targetBlog() const
{
    return m_target.data();
}

int ImportWindow::importAction()
{
    Blog* blog = targetBlog();
    const QVariantList group = m_groups.value(m_importPopup->currentText());
    if (!blog || group.isEmpty())
        return -1;
    BarProgress progress(m_progress);
    m_importButton->setEnabled(false);
    const int added = PreviousVersionImport::importPosts(*blog, group, &progress);
    m_importButton->setEnabled(true);
    return added;
}

void ImportWindow::importDone()
{
    m_groups.clear();
    m_importPopup->clear();
    m_target = nullptr;
    close();
}
