#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

class Template;

// Builds the rich editor's page from the page and style sheet templates and
// the blog's rich-edit template. The texts hold placeholders written between
// dollar signs:
//
//   $SCRIPT$     nothing: our page script runs in its own world, never from the page
//   $STYLE$      the style text: the style sheet filled in, then the template's CSS
//   $HANDLE$     the picture of an image's resize handles (a data address)
//   $BGIMG$      the page's bar background picture (a data address)
//   $MAIN$       the post's content, as text our page script makes the division's markup
//   $FONT$       the template's size in whole pixels and its font name in quotes
//   $ALIGN$      the template's alignment keyword
//   $BACKGROUND$ the template's background picture and colour
//   $TEXTCOLOR$  the template's text colour
//
// Each text is filled in one pass: what a value inserts is never read for
// placeholders again, so a post or a captured style that mentions "$FONT$"
// keeps it. Neither the style text nor the post enters the page's markup as
// markup: the page holds them escaped in attributes. Our page script makes
// the style a style element's text, so captured CSS cannot end its style
// element, and parses the post as the division's content on its own, so a
// stray end tag in it cannot close the division and leave the rest of the
// post outside, where the editor would never write it back.
class EditorPageBuilder {
public:
    struct Resources {
        QString page;       // the page skeleton
        QString styleSheet; // the base style sheet
    };
    // The templates of the application; a text that is missing is null (and logged).
    static Resources bundledResources();

    explicit EditorPageBuilder(Resources resources = bundledResources());

    struct Page {
        QString html;             // the document to show
        QString style;            // the style text the page script puts in place
        QString defaultAlignment; // the keyword chosen for $ALIGN$
    };
    // Null when a template is missing.
    // `blocks` ($BLOCKS$, text) tells the page script where the content's
    // top-level pieces begin: a marker word, then each piece's length.
    std::optional<Page> build(const QString& mainContent, const Template& richTemplate,
                              const QString& blocks = {}) const;

    // The content for $MAIN$: a placeholder paragraph for a blank source;
    // otherwise the source with each attachment key (first of each pair) put
    // back as its editor markup (second), in one pass.
    static QString mainContent(const QString& source,
                               const QList<std::pair<QString, QString>>& attachmentMarkup);

    // Every "$NAME$" whose NAME is a key of `values` replaced, in one pass.
    static QString substitute(const QString& text, const QHash<QString, QString>& values);

    static QString fontValue(const Template& richTemplate);
    // "justify", "left", "right" or "center" for 0 to 3; "left" otherwise.
    static QString alignmentKeyword(int alignment);
    static QString backgroundValue(const Template& richTemplate);
    static QString textColorValue(const Template& richTemplate);

private:
    Resources m_resources;
};
