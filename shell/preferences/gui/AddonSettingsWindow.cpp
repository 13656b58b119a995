#include "AddonSettingsWindow.h"

#include "AddonManager.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

QList<AddonSettingsWindow::Page> AddonSettingsWindow::pagesOf(AddonManager& manager)
{
    QList<Page> pages;
    for (const QString& key : manager.pluginKeys()) {
        if (PLUMETAddonProtocol* addon = manager.pluginForKey(key)) {
            if (QWidget* view = addon->preferencesView())
                pages.append({key, view});
        }
    }
    return pages;
}

AddonSettingsWindow::AddonSettingsWindow(const QList<Page>& pages, QWidget* parent)
    : QWidget(parent, Qt::Window), m_pages(pages)
{
    setWindowTitle(tr("Add-on Settings"));
    setObjectName(QStringLiteral("addonSettings"));
    std::sort(m_pages.begin(), m_pages.end(), [](const Page& a, const Page& b) {
        return a.key.compare(b.key, Qt::CaseInsensitive) < 0;
    });

    m_popup = new QComboBox;
    m_popup->setObjectName(QStringLiteral("addonPopup"));
    for (const Page& page : m_pages)
        m_popup->addItem(page.key);
    connect(m_popup, &QComboBox::activated, this, &AddonSettingsWindow::switchSettingsPanel);

    auto* shortcuts = new QPushButton(tr("Shortcuts…"));
    shortcuts->setObjectName(QStringLiteral("shortcutsButton"));
    connect(shortcuts, &QPushButton::clicked, this, [this] {
        hide();
        emit shortcutsRequested();
    });

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Add-on:")));
    top->addWidget(m_popup, 1);
    top->addWidget(shortcuts);

    m_container = new QWidget;
    m_container->setObjectName(QStringLiteral("addonPage"));
    m_containerLayout = new QVBoxLayout(m_container);
    m_containerLayout->setContentsMargins(0, 0, 0, 0);
    if (m_pages.isEmpty()) {
        auto* none = new QLabel(tr("No add-on has settings of its own."));
        none->setAlignment(Qt::AlignCenter);
        m_containerLayout->addWidget(none);
        m_popup->setEnabled(false);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_container, 1);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

AddonSettingsWindow::~AddonSettingsWindow()
{
    // The pages outlive the window: they are their add-ons'.
    for (const Page& page : m_pages) {
        if (page.view && page.view->parentWidget() == m_container)
            page.view->setParent(nullptr);
    }
}

QStringList AddonSettingsWindow::keys() const
{
    QStringList result;
    for (const Page& page : m_pages)
        result << page.key;
    return result;
}

void AddonSettingsWindow::displaySettings(const QString& key)
{
    if (!key.isEmpty()) {
        const int index = m_popup->findText(key, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            m_popup->setCurrentIndex(index);
    } else if (m_popup->count() > 0) {
        m_popup->setCurrentIndex(0);
    }
    switchSettingsPanel();
    bringToFront();
}

void AddonSettingsWindow::addonSettings()
{
    if (m_selectedAddon < 0 && m_popup->count() > 0) {
        m_popup->setCurrentIndex(0);
        switchSettingsPanel();
    }
    bringToFront();
}

void AddonSettingsWindow::switchSettingsPanel()
{
    // Edits in the page shown hand their text over first.
    if (QWidget* focus = focusWidget())
        focus->clearFocus();
    const int index = m_popup->currentIndex();
    if (index < 0 || index == m_selectedAddon)
        return;
    for (const Page& page : m_pages) {
        if (page.view && page.view->parentWidget() == m_container) {
            m_containerLayout->removeWidget(page.view);
            page.view->hide();
            page.view->setParent(nullptr);
        }
    }
    if (QWidget* view = m_pages.at(index).view) {
        m_containerLayout->addWidget(view);
        view->show();
    }
    m_selectedAddon = index;
    adjustSize();
}

void AddonSettingsWindow::bringToFront()
{
    show();
    raise();
    activateWindow();
}

void AddonSettingsWindow::closeEvent(QCloseEvent* event)
{
    if (QWidget* focus = focusWidget())
        focus->clearFocus();
    event->accept(); // hides; the window lives on
}
