#pragma once

#include "PLUMETFormatterProtocol.h"

#include <QObject>

// Turns blank-line-separated paragraphs into <p> elements and single line
// breaks into <br/>, leaving block-level HTML alone.
class ConvertBreaks : public QObject, public PLUMETFormatterProtocol {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETFormatterProtocol_iid)
    Q_INTERFACES(PLUMETFormatterProtocol)

public:
    ConvertBreaks();

    QString formatterKey() const override { return QStringLiteral("ConvertBreaks"); }
    QString formatterDescription() const override;
    bool willHandleFormat(const QString& format) const override;
    bool allowsHTMLEditing() const override { return true; }
    QString formatText(const QString& text) override;
    QString urlTemplate() const override { return {}; }

    // Case-insensitive occurrences of the target in the text.
    static int substr(const QString& text, const QString& target);
};
