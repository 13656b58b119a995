#pragma once

#include "PLUMETFormatterProtocol.h"

#include <QObject>

// Renders Textile through the converter script in the bundle's Resources.
class Textile : public QObject, public PLUMETFormatterProtocol {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETFormatterProtocol_iid)
    Q_INTERFACES(PLUMETFormatterProtocol)

public:
    Textile();

    QString formatterKey() const override { return QStringLiteral("Textile"); }
    QString formatterDescription() const override;
    bool willHandleFormat(const QString& format) const override;
    // Textile source is not HTML: only the source editor is offered.
    bool allowsHTMLEditing() const override { return false; }
    // Empty when the converter fails; the reason goes to the log.
    QString formatText(const QString& text) override;
    QString urlTemplate() const override { return QStringLiteral("$text$ ($title$):$url$"); }

private:
    QString m_scriptPath;
};
