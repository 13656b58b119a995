#include "BlogSettingsWindow.h"

#include "Account.h"
#include "Blog.h"
#include "BlogCharsetCheck.h"
#include "BlogPingsPage.h"
#include "BlogTemplatesPage.h"
#include "ColorButton.h"
#include "DefaultsBinding.h"
#include "FontButton.h"
#include "Format.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "SpellDictionaries.h"
#include "Template.h"
#include "TimeZoneList.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString localTimeZoneTitle()
{
    return localized("Preferences", "Use local timezone");
}

// Selects the item holding `value`, adding it when the list lacks it, so that
// a stored value is shown and kept rather than silently replaced.
void selectData(QComboBox* box, const QString& value, const QString& label)
{
    int index = box->findData(value);
    if (index < 0 && !value.isEmpty()) {
        box->addItem(label, value);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

QGroupBox* group(const QString& title, QLayout* layout)
{
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

} // namespace

BlogSettingsWindow::BlogSettingsWindow(UserDefaults& defaults, NotificationCenter& center,
                                       QWidget* parent)
    : QWidget(parent, Qt::Window), m_defaults(defaults), m_center(center),
      m_binding(new DefaultsBinding(defaults, center, this)), m_applyToAll(defaults),
      m_charsetCheck(new BlogCharsetCheck(this))
{
    setWindowTitle(tr("Blog Settings"));
    setObjectName(QStringLiteral("blogSettings"));
    setAutoFillBackground(true);

    m_accountPopup = new QComboBox;
    m_accountPopup->setObjectName(QStringLiteral("accountPopup"));
    m_blogList = new QListWidget;
    m_blogList->setObjectName(QStringLiteral("blogList"));
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(tr("Account:")));
    leftLayout->addWidget(m_accountPopup);
    leftLayout->addWidget(new QLabel(tr("Blogs:")));
    leftLayout->addWidget(m_blogList, 1);
    connect(m_accountPopup, &QComboBox::currentIndexChanged, this,
            &BlogSettingsWindow::chooseAccount);
    connect(m_blogList, &QListWidget::currentRowChanged, this, &BlogSettingsWindow::chooseBlog);

    auto* tabs = new QTabWidget;
    tabs->addTab(makeBlogPage(), tr("Blog"));
    tabs->addTab(makePublishingPage(), tr("Publishing"));
    m_pingsPage = new BlogPingsPage;
    connect(m_pingsPage, &BlogPingsPage::pingsEdited, this, [this](const QVariantList& pings) {
        edit([&](Blog& blog) { blog.setPingUrls(pings); });
    });
    tabs->addTab(m_pingsPage, tr("Pings"));
    tabs->addTab(makeEditorsPage(), tr("Editors"));
    m_templatesPage = new BlogTemplatesPage(m_center);
    tabs->addTab(m_templatesPage, tr("Templates"));
    m_settings = tabs;

    auto* splitter = new QSplitter;
    splitter->addWidget(left);
    splitter->addWidget(tabs);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 520});

    auto* applyAll = new QCheckBox(tr("Apply these settings to all blogs of the account"));
    applyAll->setObjectName(QStringLiteral("applyAllBlogs"));
    m_binding->bind(applyAll, QStringLiteral("apply_all_blogs"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(applyAll);
    bottom->addStretch();
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    connect(m_charsetCheck, &BlogCharsetCheck::message, m_encodingMessage, &QLabel::setText);
    connect(m_charsetCheck, &BlogCharsetCheck::finished, this, [this] {
        m_encodingSpinner->hide();
        m_encodingButton->setEnabled(true);
    });
    resize(760, 520);
    showBlog();
}

BlogSettingsWindow::~BlogSettingsWindow() = default;

// --- pages -------------------------------------------------------------------------------

QWidget* BlogSettingsWindow::makeBlogPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* dates = new QFormLayout;
    m_timeZonePopup = new QComboBox;
    m_timeZonePopup->setObjectName(QStringLiteral("timeZonePopup"));
    fillTimeZones();
    connect(m_timeZonePopup, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            edit(
                [&](Blog& blog) { blog.setTimeZone(m_timeZonePopup->itemData(index).toString()); });
    });
    dates->addRow(tr("Time zone:"), m_timeZonePopup);
    m_utcMode = new QCheckBox(tr("Send dates to the server in UTC"));
    m_optionBoxes.append({m_utcMode, QStringLiteral("utcMode")});
    dates->addRow(m_utcMode);
    layout->addWidget(group(tr("Dates"), dates));

    auto* writing = new QFormLayout;
    m_languagePopup = new QComboBox;
    m_languagePopup->setObjectName(QStringLiteral("languagePopup"));
    fillLanguages();
    connect(m_languagePopup, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            edit(
                [&](Blog& blog) { blog.setLanguage(m_languagePopup->itemData(index).toString()); });
    });
    writing->addRow(tr("Spelling language:"), m_languagePopup);
    m_formatPopup = new QComboBox;
    m_formatPopup->setObjectName(QStringLiteral("formatPopup"));
    connect(m_formatPopup, &QComboBox::activated, this, [this](int index) {
        const QString format = index > 0 ? m_formatPopup->itemData(index).toString() : QString();
        edit([&](Blog& blog) {
            blog.setDefaultFormat(format.isNull() ? QStringLiteral("") : format);
        });
    });
    writing->addRow(tr("Text format of new posts:"), m_formatPopup);
    layout->addWidget(group(tr("Writing"), writing));

    auto* encoding = new QVBoxLayout;
    m_convertEntities = new QCheckBox(tr("Send characters outside ASCII as HTML entities"));
    m_convertEntities->setObjectName(QStringLiteral("convertEntities"));
    m_optionBoxes.append({m_convertEntities, QStringLiteral("convertEntities")});
    encoding->addWidget(m_convertEntities);
    auto* checkRow = new QHBoxLayout;
    m_encodingButton = new QPushButton(tr("Check Blog Encoding"));
    m_encodingButton->setObjectName(QStringLiteral("encodingButton"));
    m_encodingButton->setToolTip(tr("Reads the encoding the blog's page declares"));
    connect(m_encodingButton, &QPushButton::clicked, this, &BlogSettingsWindow::checkEncoding);
    m_encodingSpinner = new QProgressBar;
    m_encodingSpinner->setRange(0, 0);
    m_encodingSpinner->setMaximumWidth(80);
    m_encodingSpinner->setTextVisible(false);
    m_encodingSpinner->hide();
    checkRow->addWidget(m_encodingButton);
    checkRow->addWidget(m_encodingSpinner);
    checkRow->addStretch();
    encoding->addLayout(checkRow);
    m_encodingMessage = new QLabel;
    m_encodingMessage->setObjectName(QStringLiteral("encodingMessage"));
    m_encodingMessage->setWordWrap(true);
    m_encodingMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    encoding->addWidget(m_encodingMessage);
    layout->addWidget(group(tr("Encoding"), encoding));

    layout->addStretch();
    return page;
}

QWidget* BlogSettingsWindow::makePublishingPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto addBoxes = [this](const QList<QPair<QString, QString>>& boxes) {
        auto* column = new QVBoxLayout;
        for (const auto& [option, title] : boxes) {
            auto* box = new QCheckBox(title);
            box->setObjectName(option);
            m_optionBoxes.append({box, option});
            column->addWidget(box);
        }
        return column;
    };
    layout->addWidget(
        group(tr("New posts"),
              addBoxes({
                  {QStringLiteral("publishOption"),
                   tr("Publish at once (otherwise keep as a draft on the server)")},
                  {QStringLiteral("commentOption"), tr("Allow comments")},
                  {QStringLiteral("trackbackOption"), tr("Allow trackbacks")},
                  {QStringLiteral("pingOption"), tr("Send pings after publishing")},
                  {QStringLiteral("notifyOption"), tr("Tell the add-ons when a post is published")},
                  {QStringLiteral("smartOption"), tr("Blog-system extra option")},
              })));
    layout->addWidget(group(tr("Warnings before publishing"),
                            addBoxes({
                                {QStringLiteral("warnOnTitle"), tr("No title")},
                                {QStringLiteral("warnOnSummary"), tr("No summary")},
                                {QStringLiteral("warnOnKeywords"), tr("No keywords")},
                                {QStringLiteral("warnOnCategories"), tr("No category")},
                                {QStringLiteral("warnOnPost"), tr("Ask before publishing")},
                            })));
    for (const auto& [box, option] : m_optionBoxes) {
        connect(box, &QCheckBox::toggled, this, [this, option = option](bool on) {
            edit([&](Blog& blog) { blog.setOption(option, on); });
        });
    }
    layout->addStretch();
    return page;
}

QWidget* BlogSettingsWindow::makeEditorsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    const QString style = QStringLiteral("styleChanged");

    auto colorRow = [this, style](QFormLayout* form, bool rich, const QString& title,
                                  std::optional<rv::Color> (Template::*get)() const,
                                  void (Template::*set)(std::optional<rv::Color>)) {
        auto* button = new ColorButton(title);
        connect(button, &ColorButton::colorChosen, this,
                [this, rich, set, style](const QColor& color) {
                    editTemplate(
                        rich, [&](Template& t) { (t.*set)(rv::Color::fromQColor(color)); }, style);
                });
        m_colorShows.append({button, [this, button, rich, get] {
                                 if (!m_blog)
                                     return;
                                 const TemplatePtr t =
                                     rich ? m_blog->richTemplate() : m_blog->htmlTemplate();
                                 const auto color = ((*t).*get)();
                                 button->setColor(color ? color->toQColor() : QColor(Qt::white));
                             }});
        form->addRow(title + QLatin1Char(':'), button);
    };

    auto* rich = new QFormLayout;
    m_richFont = new FontButton;
    m_richFont->setObjectName(QStringLiteral("richFont"));
    rich->addRow(tr("Font:"), m_richFont);
    colorRow(rich, true, tr("Background"), &Template::backgroundColor,
             &Template::setBackgroundColor);
    colorRow(rich, true, tr("Text"), &Template::textColor, &Template::setTextColor);
    m_richAlignment = new QComboBox;
    m_richAlignment->addItems({tr("Justified"), tr("Left"), tr("Right"), tr("Centred")});
    connect(m_richAlignment, &QComboBox::activated, this, [this, style](int index) {
        editTemplate(
            true, [&](Template& t) { t.setAlignment(index); }, style);
    });
    rich->addRow(tr("Alignment:"), m_richAlignment);
    m_grabCSSButton = new QPushButton(tr("Use the Blog's Styles"));
    m_grabCSSButton->setObjectName(QStringLiteral("grabCSSButton"));
    // Reading a published page's styles needs the page-style capture of the
    // main window, which this version does not have yet.
    m_grabCSSButton->setEnabled(false);
    m_grabCSSButton->setToolTip(tr("Not available in this version"));
    rich->addRow(QString(), m_grabCSSButton);
    layout->addWidget(group(tr("Rich editor"), rich));

    auto* html = new QFormLayout;
    m_htmlFont = new FontButton;
    m_htmlFont->setObjectName(QStringLiteral("htmlFont"));
    html->addRow(tr("Font:"), m_htmlFont);
    colorRow(html, false, tr("Background"), &Template::backgroundColor,
             &Template::setBackgroundColor);
    colorRow(html, false, tr("Text"), &Template::textColor, &Template::setTextColor);
    colorRow(html, false, tr("Tags"), &Template::htmlColor, &Template::setHtmlColor);
    colorRow(html, false, tr("Attributes"), &Template::attributeColor,
             &Template::setAttributeColor);
    colorRow(html, false, tr("Brackets"), &Template::bracketColor, &Template::setBracketColor);
    layout->addWidget(group(tr("HTML editor"), html));

    for (auto [button, rich] : {std::pair{m_richFont, true}, std::pair{m_htmlFont, false}}) {
        connect(button, &FontButton::fontChosen, this,
                [this, rich = rich, style](const QString& family, double points) {
                    editTemplate(
                        rich,
                        [&](Template& t) {
                            t.setFontName(family);
                            t.setFontSize(points);
                        },
                        style);
                });
    }
    layout->addStretch();
    return page;
}

// --- accounts and blogs ----------------------------------------------------------------

void BlogSettingsWindow::setAccounts(const QList<AccountPtr>& accounts)
{
    m_accounts = accounts;
    fillAccountPopup();
}

void BlogSettingsWindow::fillAccountPopup()
{
    const QSignalBlocker blocker(m_accountPopup);
    m_accountPopup->clear();
    int shown = -1;
    for (int i = 0; i < m_accounts.size(); ++i) {
        const Account& account = *m_accounts.at(i);
        const QString title = !account.title().isEmpty() ? account.title() : account.url();
        m_accountPopup->addItem(title);
        if (&account == m_account)
            shown = i;
    }
    if (shown < 0) {
        m_account = nullptr;
        m_blog = nullptr;
    }
    m_accountPopup->setCurrentIndex(shown);
    fillBlogList();
}

void BlogSettingsWindow::fillBlogList()
{
    const QSignalBlocker blocker(m_blogList);
    m_blogList->clear();
    int shown = -1;
    const QList<std::shared_ptr<Blog>> blogs = shownBlogs();
    for (int i = 0; i < blogs.size(); ++i) {
        m_blogList->addItem(blogs.at(i)->displayName().isEmpty() ? blogs.at(i)->title()
                                                                 : blogs.at(i)->displayName());
        if (blogs.at(i).get() == m_blog)
            shown = i;
    }
    if (shown < 0)
        m_blog = nullptr;
    m_blogList->setCurrentRow(shown);
    showBlog();
}

QList<std::shared_ptr<Blog>> BlogSettingsWindow::shownBlogs() const
{
    return m_account ? m_account->blogs() : QList<std::shared_ptr<Blog>>();
}

Account* BlogSettingsWindow::shownAccount() const
{
    return m_account;
}

Blog* BlogSettingsWindow::shownBlog() const
{
    return m_blog;
}

void BlogSettingsWindow::showFor(Account* account, Blog* blog)
{
    m_charsetCheck->cancel();
    m_account = account;
    m_blog = nullptr;
    const QList<std::shared_ptr<Blog>> blogs = shownBlogs();
    int index = -1;
    for (int i = 0; i < blogs.size(); ++i) {
        if (blogs.at(i).get() == blog)
            index = i;
    }
    if (index < 0 && !blogs.isEmpty())
        index = 0;
    if (index >= 0)
        m_blog = blogs.at(index).get();
    fillAccountPopup();
    m_encodingMessage->clear();
    m_applyToAll.opened(index);

    const bool wasVisible = isVisible();
    show();
    raise();
    activateWindow();
    if (!wasVisible)
        m_center.post(QStringLiteral("preferencesOpened"));
}

void BlogSettingsWindow::chooseAccount(int index)
{
    if (index < 0 || index >= m_accounts.size())
        return;
    if (m_accountPopup->currentIndex() != index) {
        const QSignalBlocker blocker(m_accountPopup);
        m_accountPopup->setCurrentIndex(index);
    }
    m_charsetCheck->cancel();
    m_account = m_accounts.at(index).get();
    const QList<std::shared_ptr<Blog>> blogs = shownBlogs();
    m_blog = blogs.isEmpty() ? nullptr : blogs.first().get();
    m_applyToAll.accountChanged(blogs, blogs.isEmpty() ? -1 : 0);
    fillBlogList();
}

void BlogSettingsWindow::chooseBlog(int row)
{
    const QList<std::shared_ptr<Blog>> blogs = shownBlogs();
    if (row < 0 || row >= blogs.size())
        return;
    if (m_blogList->currentRow() != row) {
        const QSignalBlocker blocker(m_blogList);
        m_blogList->setCurrentRow(row);
    }
    m_charsetCheck->cancel();
    m_applyToAll.blogChanged(blogs, row);
    m_blog = blogs.at(row).get();
    showBlog();
}

void BlogSettingsWindow::closeEvent(QCloseEvent* event)
{
    // A field being edited hands its text over first.
    if (QWidget* focus = focusWidget())
        focus->clearFocus();
    m_charsetCheck->cancel();
    m_encodingSpinner->hide();
    m_encodingButton->setEnabled(m_blog != nullptr);
    m_applyToAll.closing(shownBlogs());
    if (m_saveAccounts)
        m_saveAccounts();
    event->accept();
    m_center.post(QStringLiteral("preferencesClosed"));
}

// --- showing the blog ------------------------------------------------------------------

void BlogSettingsWindow::blogValueChanged(const QString& key)
{
    if (m_writing)
        return;
    if (key == QLatin1String("pingUrls"))
        m_pingsPage->showPings();
    else
        showBlog();
}

void BlogSettingsWindow::edit(const std::function<void(Blog&)>& change)
{
    if (!m_blog || m_writing)
        return;
    m_writing = true;
    change(*m_blog);
    m_writing = false;
}

void BlogSettingsWindow::editTemplate(bool rich, const std::function<void(Template&)>& change,
                                      const QString& notification)
{
    if (!m_blog)
        return;
    const TemplatePtr t = rich ? m_blog->richTemplate() : m_blog->htmlTemplate();
    change(*t);
    m_center.post(notification);
}

void BlogSettingsWindow::showBlog()
{
    if (m_observedBlog)
        disconnect(m_observedBlog, &Blog::valueChanged, this, nullptr);
    m_observedBlog = m_blog;
    m_pingsPage->setBlog(m_blog);
    m_templatesPage->setBlog(m_blog);
    m_settings->setEnabled(m_blog != nullptr);
    m_encodingButton->setEnabled(m_blog != nullptr && !m_charsetCheck->isRunning());
    if (!m_blog)
        return;
    connect(m_blog, &Blog::valueChanged, this, &BlogSettingsWindow::blogValueChanged);

    m_writing = true;
    {
        const QSignalBlocker zones(m_timeZonePopup);
        const QString zone = m_blog->timeZone();
        selectData(m_timeZonePopup, zone, TimeZoneList::label(zone));
    }
    {
        const QSignalBlocker languages(m_languagePopup);
        const QString language = m_blog->language();
        selectData(m_languagePopup, language, language);
    }
    for (const auto& [box, option] : m_optionBoxes) {
        const QSignalBlocker blocker(box);
        box->setChecked(m_blog->option(option).toBool());
    }
    fillFormats();
    m_pingsPage->showPings();
    showTemplates();
    m_writing = false;
}

void BlogSettingsWindow::fillTimeZones()
{
    m_timeZonePopup->clear();
    m_timeZonePopup->addItem(localTimeZoneTitle(), localTimeZoneTitle());
    m_timeZonePopup->insertSeparator(1);
    for (const TimeZoneList::Zone& zone : TimeZoneList::zones())
        m_timeZonePopup->addItem(zone.label, zone.id);
}

void BlogSettingsWindow::fillLanguages()
{
    m_languagePopup->clear();
    for (const SpellDictionaries::Dictionary& dictionary : SpellDictionaries::installed())
        m_languagePopup->addItem(dictionary.title, dictionary.title);
}

void BlogSettingsWindow::fillFormats()
{
    const QSignalBlocker blocker(m_formatPopup);
    m_formatPopup->clear();
    m_formatPopup->addItem(localized("Draft", "None"), QString());
    const std::optional<QList<FormatPtr>> formats =
        m_blog && m_blog->account() ? m_blog->account()->formats() : std::nullopt;
    const QString chosen = m_blog ? m_blog->defaultFormat() : QString();
    int selected = 0;
    for (const FormatPtr& format : formats.value_or(QList<FormatPtr>())) {
        if (format->title().isEmpty() || format->uniqueID().isEmpty() ||
            m_formatPopup->findText(format->title()) >= 0)
            continue;
        m_formatPopup->addItem(format->title(), format->uniqueID());
        if (!chosen.isEmpty() && (format->title() == chosen || format->uniqueID() == chosen))
            selected = m_formatPopup->count() - 1;
    }
    m_formatPopup->setCurrentIndex(selected);
    m_formatPopup->setEnabled(formats && !formats->isEmpty());
}

void BlogSettingsWindow::showTemplates()
{
    const TemplatePtr rich = m_blog->richTemplate();
    const TemplatePtr html = m_blog->htmlTemplate();
    m_richFont->showFont(rich->fontName(), rich->fontSize().value_or(0));
    m_htmlFont->showFont(html->fontName(), html->fontSize().value_or(0));
    {
        const QSignalBlocker blocker(m_richAlignment);
        m_richAlignment->setCurrentIndex(rich->alignment());
    }
    for (const auto& entry : m_colorShows)
        entry.second();
    m_templatesPage->showTemplates();
}

void BlogSettingsWindow::checkEncoding()
{
    if (!m_blog)
        return;
    m_encodingMessage->clear();
    if (m_blog->escapedURL().isEmpty()) {
        m_encodingMessage->setText(localized("Preferences", "Your blog could not be accessed."));
        return;
    }
    if (!m_charsetCheck->start(m_blog))
        return;
    m_encodingButton->setEnabled(false);
    m_encodingSpinner->show();
}
