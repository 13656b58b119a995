// Gives a source view the font and colours of the blog's HTML template.
#include "SourceViewStyle.h"

#include "DraftEditorHost.h"
#include "HtmlSyntaxHighlighter.h"
#include "RVTextView.h"
#include "Template.h"
#include "UserDefaults.h"

#include <QFontDatabase>

namespace {

const Template& fallbackTemplate()
{
    static const TemplatePtr fallback = Template::defaultHtmlTemplate();
    return *fallback;
}

} // namespace

SourceViewStyle::SourceViewStyle(RVTextView& view) : m_view(view) {}

void SourceViewStyle::readPreference()
{
    m_noAntiAlias = UserDefaults::sharedInstance().boolean(QStringLiteral("no_alias"));
}

void SourceViewStyle::setDefaults(bool recolour)
{
    const Template* given = m_view.m_draft ? m_view.m_draft->htmlTemplate() : nullptr;
    const Template& fallback = fallbackTemplate();
    const Template& source = given ? *given : fallback;

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QString family = source.fontName().isEmpty() ? fallback.fontName() : source.fontName();
    if (!family.isEmpty())
        font.setFamily(family);
    const double size = source.fontSize().value_or(12.0);
    font.setPointSizeF(size > 0 ? size : 12.0);
    font.setStyleStrategy(m_noAntiAlias ? QFont::NoAntialias : QFont::PreferDefault);
    m_view.setFont(font);

    auto color = [&](std::optional<rv::Color> (Template::*field)() const) {
        return (source.*field)().value_or(*(fallback.*field)()).toQColor();
    };
    QPalette colours = m_view.palette();
    colours.setColor(QPalette::Base, color(&Template::backgroundColor));
    colours.setColor(QPalette::Text, color(&Template::textColor));
    m_view.setPalette(colours);
    m_view.m_highlighter->setColors(color(&Template::htmlColor), color(&Template::attributeColor),
                                    color(&Template::bracketColor));
    if (recolour)
        m_view.m_highlighter->rehighlight();
}

void SourceViewStyle::setNoAntiAlias(bool noAntiAlias)
{
    m_noAntiAlias = noAntiAlias;
    QFont changed = m_view.font();
    changed.setStyleStrategy(noAntiAlias ? QFont::NoAntialias : QFont::PreferDefault);
    m_view.setFont(changed);
    m_view.viewport()->update();
}
