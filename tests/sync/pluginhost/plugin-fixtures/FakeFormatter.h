#pragma once

#include "PLUMETFormatterProtocol.h"

#include <QObject>

// Wraps text in <fake>; gives nothing back for the text "fail".
class FakeFormatter : public QObject, public PLUMETFormatterProtocol {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PLUMETFormatterProtocol_iid)
    Q_INTERFACES(PLUMETFormatterProtocol)

public:
    QString formatterKey() const override { return QStringLiteral("Fake"); }
    QString formatterDescription() const override { return QStringLiteral("fake"); }
    bool willHandleFormat(const QString& format) const override
    {
        return format.contains(QLatin1String("fake"), Qt::CaseInsensitive);
    }
    bool allowsHTMLEditing() const override { return true; }
    QString formatText(const QString& text) override
    {
        return text == QLatin1String("fail") ? QString() : QStringLiteral("<fake>") + text;
    }
    QString urlTemplate() const override { return {}; }
};
