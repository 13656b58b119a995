#pragma once

#include "Archivable.h"
#include "Color.h"
#include "ModelRecord.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <optional>
#include <span>

// A small bag of texts, colours and font settings that a blog uses as its quote,
// preview, link, rich-editor, source-editor or tag template. Unset texts are null
// QStrings; the getters with a default store it on first read.
class Template : public ModelRecord, public Archivable {
    Q_OBJECT
public:
    explicit Template(QObject* parent = nullptr);
    ~Template() override;

    // Made from a fresh unique identifier when missing.
    QString uniqueID() const;
    void setUniqueID(const QString& id);

    // Callers fill placeholders in these results freely: QString is a value.
    QString html() const;
    QString body() const;
    QString extended() const;
    QString summary() const;
    QString keywords() const;
    QString title() const;
    QString separator() const; // ", " by default
    QString url() const;
    QString css() const;
    QString js() const;
    void setHtml(const QString& text);
    void setBody(const QString& text);
    void setExtended(const QString& text);
    void setSummary(const QString& text);
    void setKeywords(const QString& text);
    void setTitle(const QString& text);
    void setSeparator(const QString& text);
    void setUrl(const QString& text);
    void setCss(const QString& text);
    void setJs(const QString& text);

    // Where generated tag text goes: 0 body, 1 extended, 2 summary, 3 keywords.
    std::optional<int> location() const { return m_location; }
    void setLocation(std::optional<int> location);

    // Path of the editor's background image file.
    QString backgroundImage() const { return m_backgroundImage; }
    void setBackgroundImage(const QString& path);
    // Writes the image as PNG under a fresh file name in the support folder and
    // stores that path. Each call makes a new file, so copies of this template in
    // other blogs keep their own picture. On a write failure the previous path is
    // kept and the reason is put in *error.
    bool storeBackgroundImage(const QImage& image, QString* error = nullptr);

    std::optional<rv::Color> backgroundColor() const { return m_backgroundColor; }
    std::optional<rv::Color> textColor() const { return m_textColor; }
    std::optional<rv::Color> htmlColor() const { return m_htmlColor; }
    std::optional<rv::Color> attributeColor() const { return m_attributeColor; }
    std::optional<rv::Color> bracketColor() const { return m_bracketColor; }
    void setBackgroundColor(std::optional<rv::Color> color);
    void setTextColor(std::optional<rv::Color> color);
    void setHtmlColor(std::optional<rv::Color> color);
    void setAttributeColor(std::optional<rv::Color> color);
    void setBracketColor(std::optional<rv::Color> color);

    QString fontName() const { return m_fontName; }
    void setFontName(const QString& name);
    std::optional<double> fontSize() const { return m_fontSize; }
    void setFontSize(std::optional<double> points);
    // Alignment of the editing page: 0 justify, 1 left (default), 2 right, 3 center.
    int alignment() const;
    void setAlignment(std::optional<int> alignment);
    std::optional<bool> tileBackground() const { return m_tileBackground; }
    void setTileBackground(std::optional<bool> tile);

    // Every field read through its getter (defaults made), same uniqueID.
    TemplatePtr copy() const;

    static TemplatePtr defaultPreviewTemplate();
    static TemplatePtr defaultRichTemplate();
    static TemplatePtr defaultHtmlTemplate();

    static std::span<const RecordKey<Template>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("Template"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

private:
    QString textOrDefault(QString& field, const QString& fallback) const;
    void storeText(QString& field, const QString& text, const char* key);

    mutable QString m_uniqueID;
    mutable QString m_html, m_body, m_extended, m_summary, m_keywords, m_title, m_separator, m_url,
        m_css, m_js;
    std::optional<int> m_location;
    QString m_backgroundImage;
    std::optional<rv::Color> m_backgroundColor, m_textColor, m_htmlColor, m_attributeColor,
        m_bracketColor;
    QString m_fontName;
    std::optional<double> m_fontSize;
    mutable std::optional<int> m_alignment;
    std::optional<bool> m_tileBackground;
};
