#pragma once

#include "Archivable.h"
#include "Genetic.h"
#include "RVAttribute.h"
#include "RecordKey.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <span>

class RVTag;
using RVTagPtr = std::shared_ptr<RVTag>;
using RVAttributeList = QList<RVAttributePtr>;

// One custom tag: the user's own markup snippet, which wraps an editor's
// selection in an element with attributes and an inline style, or between two
// free texts ("custom" mode). Its contents may name the selection ("%*") and
// the clipboard text ("%@").
//
// Unset strings are null. `closeTag`, `custom` and `attributes` store their
// default when first read: YES, the user default "custom_tag_mode", an empty
// list. Archived as "RVTag" with the keys "uniqueID", "title", "openTag",
// "closeTag", "shortcut", "style", "contents", "icon", "customOpen",
// "customClose", "custom" and "attributes", each only when set.
class RVTag : public Genetic, public Archivable {
    Q_OBJECT
public:
    // A bare tag, as the unarchiver makes it.
    explicit RVTag(QObject* parent = nullptr);
    ~RVTag() override;

    // A new tag: a fresh identifier, the title "Untitled n" (n counts every tag
    // made or copied in this process, from 1), contents "%*" and the icon ❖.
    static RVTagPtr create();

    QString openTag() const { return m_openTag; }
    void setOpenTag(const QString& name);
    bool closeTag() const;
    void setCloseTag(std::optional<bool> close);
    QString contents() const { return m_contents; }
    void setContents(const QString& contents);
    QString style() const { return m_style; }
    void setStyle(const QString& style);
    QString shortcut() const { return m_shortcut; }
    void setShortcut(const QString& shortcut);
    QString icon() const { return m_icon; }
    void setIcon(const QString& icon);
    bool custom() const;
    void setCustom(std::optional<bool> custom);
    QString customOpen() const { return m_customOpen; }
    void setCustomOpen(const QString& text);
    QString customClose() const { return m_customClose; }
    void setCustomClose(const QString& text);
    RVAttributeList attributes() const;
    // A new list of the same attribute objects.
    void setAttributes(std::optional<RVAttributeList> attributes);

    // As stored: nullopt while unset.
    std::optional<bool> storedCloseTag() const { return m_closeTag; }
    std::optional<bool> storedCustom() const { return m_custom; }
    std::optional<RVAttributeList> storedAttributes() const { return m_attributes; }

    // The markup for a selection and a clipboard text: "%@" in it becomes the
    // clipboard text, then "%*" the selection. Put into an attribute value
    // (or the style) they come with '"', '<' and a bare '&' escaped.
    QString markupString(const QString& selection, const QString& clipboard) const;
    // Whether applying it can give anything: a custom tag needs its opening
    // text, any other tag its element name.
    bool isUsable() const;

    // A new tag (counted like create()) with a copy of every field that is set;
    // the attribute list is new, its attributes the same objects.
    RVTagPtr copy() const;

    static std::span<const RecordKey<RVTag>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("RVTag"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

private:
    void setText(QString& field, const QString& text, const char* key);
    void followAttributes();
    static int nextTagNumber();

    QString m_openTag, m_contents, m_style, m_shortcut, m_icon, m_customOpen, m_customClose;
    mutable std::optional<bool> m_closeTag;
    mutable std::optional<bool> m_custom;
    mutable std::optional<RVAttributeList> m_attributes;
};
