#include "BlogChooser.h"

#include "Account.h"
#include "AccountList.h"
#include "Blog.h"
#include "Localization.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

QList<BlogChooser::Item> BlogChooser::items(const AccountList& accounts)
{
    QList<Item> items;
    for (const auto& account : accounts.accounts()) {
        for (const auto& blog : account->blogs()) {
            const int n = int(items.size()) + 1;
            items.append(
                {blog->displayName(), blog.get(), n <= 9 ? QString::number(n) : QString()});
        }
    }
    return items;
}

BlogChooser::BlogChooser(const AccountList& accounts, Blog* preselected, QWidget* parent)
    : QDialog(parent), m_menu(new QComboBox(this))
{
    setWindowTitle(localized("BlogController", "Choose a Blog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(localized("BlogController", "Post to:"), this));
    layout->addWidget(m_menu);
    for (const Item& item : items(accounts)) {
        const QString shown = item.shortcut.isEmpty()
                                  ? item.title
                                  : QStringLiteral("%1\t%2").arg(item.title, item.shortcut);
        m_menu->addItem(shown);
        m_blogs.append(item.blog);
        if (!item.shortcut.isEmpty()) {
            const int index = m_menu->count() - 1;
            auto* key = new QShortcut(QKeySequence(item.shortcut), this);
            connect(key, &QShortcut::activated, m_menu,
                    [this, index] { m_menu->setCurrentIndex(index); });
        }
        if (item.blog == preselected)
            m_menu->setCurrentIndex(m_menu->count() - 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(localized("BlogController", "Choose"), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Blog* BlogChooser::chosenBlog() const
{
    const int index = m_menu->currentIndex();
    return index >= 0 && index < m_blogs.size() ? m_blogs[index].data() : nullptr;
}

BlogChooser* BlogChooser::choose(const AccountList& accounts, Blog* preselected, QWidget* parent,
                                 std::function<void(Blog*)> done)
{
    auto* chooser = new BlogChooser(accounts, preselected, parent);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    connect(chooser, &QDialog::finished, chooser, [chooser, done = std::move(done)](int code) {
        if (done)
            done(code == QDialog::Accepted ? chooser->chosenBlog() : nullptr);
    });
    chooser->open();
    return chooser;
}
