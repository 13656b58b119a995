#include "BlogTemplatesPage.h"

#include "Blog.h"
#include "NotificationCenter.h"
#include "Template.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QGroupBox* group(const QString& title, QLayout* layout)
{
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

} // namespace

BlogTemplatesPage::BlogTemplatesPage(NotificationCenter& center, QWidget* parent)
    : QWidget(parent), m_center(center)
{
    auto* layout = new QVBoxLayout(this);

    auto* quote = new QFormLayout;
    m_quoteTitle = new QLineEdit;
    m_quoteTitle->setObjectName(QStringLiteral("quoteTitle"));
    m_quoteBody = new QPlainTextEdit;
    m_quoteBody->setObjectName(QStringLiteral("quoteBody"));
    m_quoteBody->setMaximumHeight(70);
    quote->addRow(tr("Title:"), m_quoteTitle);
    quote->addRow(tr("Markup:"), m_quoteBody);
    layout->addWidget(group(tr("Quoting a web page ($title$, $url$, $quote$)"), quote));
    connect(m_quoteTitle, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_blog) {
            m_blog->quoteTemplate()->setTitle(text);
        }
    });
    connect(m_quoteBody, &QPlainTextEdit::textChanged, this, [this] {
        if (m_blog && !m_showing)
            m_blog->quoteTemplate()->setBody(m_quoteBody->toPlainText());
    });

    auto* link = new QFormLayout;
    m_linkBody = new QPlainTextEdit;
    m_linkBody->setObjectName(QStringLiteral("linkBody"));
    m_linkBody->setMaximumHeight(50);
    link->addRow(tr("Markup:"), m_linkBody);
    layout->addWidget(group(tr("Links and attachments ($url$, $title$, $width$, $height$)"), link));
    connect(m_linkBody, &QPlainTextEdit::textChanged, this, [this] {
        if (m_blog && !m_showing)
            m_blog->linkTemplate()->setBody(m_linkBody->toPlainText());
    });

    auto* tags = new QFormLayout;
    m_tagAddress = new QLineEdit;
    m_tagAddress->setObjectName(QStringLiteral("tagAddress"));
    m_tagSeparator = new QLineEdit;
    m_tagSeparator->setObjectName(QStringLiteral("tagSeparator"));
    m_tagLocation = new QComboBox;
    m_tagLocation->setObjectName(QStringLiteral("tagLocation"));
    m_tagLocation->addItems({tr("Body"), tr("Extended text"), tr("Summary"), tr("Keywords")});
    tags->addRow(tr("Tag page address:"), m_tagAddress);
    tags->addRow(tr("Separator:"), m_tagSeparator);
    tags->addRow(tr("Put tag links in:"), m_tagLocation);
    layout->addWidget(group(tr("Tag links"), tags));
    connect(m_tagAddress, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_blog)
            m_blog->tagTemplate()->setUrl(text);
    });
    connect(m_tagSeparator, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_blog)
            m_blog->tagTemplate()->setSeparator(text);
    });
    connect(m_tagLocation, &QComboBox::activated, this, [this](int index) {
        if (m_blog)
            m_blog->tagTemplate()->setLocation(index);
    });

    auto* preview = new QFormLayout;
    m_previewCss = new QPlainTextEdit;
    m_previewCss->setObjectName(QStringLiteral("previewCss"));
    m_previewCss->setMaximumHeight(70);
    preview->addRow(tr("Style sheet:"), m_previewCss);
    layout->addWidget(group(tr("Preview"), preview));
    connect(m_previewCss, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_blog || m_showing)
            return;
        m_blog->previewTemplate()->setCss(m_previewCss->toPlainText());
        m_center.post(QStringLiteral("previewStyleChanged"));
    });

    layout->addStretch();
}

BlogTemplatesPage::~BlogTemplatesPage() = default;

void BlogTemplatesPage::setBlog(Blog* blog)
{
    m_blog = blog;
}

void BlogTemplatesPage::showTemplates()
{
    if (!m_blog)
        return;
    m_showing = true;
    const QSignalBlocker quoteTitle(m_quoteTitle);
    m_quoteTitle->setText(m_blog->quoteTemplate()->title());
    m_quoteBody->setPlainText(m_blog->quoteTemplate()->body());
    m_linkBody->setPlainText(m_blog->linkTemplate()->body());
    const TemplatePtr tags = m_blog->tagTemplate();
    m_tagAddress->setText(tags->url());
    m_tagSeparator->setText(tags->separator());
    {
        const QSignalBlocker blocker(m_tagLocation);
        m_tagLocation->setCurrentIndex(tags->location().value_or(0));
    }
    m_previewCss->setPlainText(m_blog->previewTemplate()->css());
    m_showing = false;
}
