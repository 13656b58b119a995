#pragma once

#include "PLUMETFormatterProtocol.h"
#include "PluginRegistry.h"

// The formatters ("formatter" bundles), keyed by formatterKey().
class FormatterManager : public PluginRegistry<PLUMETFormatterProtocol> {
public:
    FormatterManager();

    static FormatterManager& sharedInstance();

    // Reads the built-in folder, then the user's "formatters" folder.
    void loadFormatters() { loadBuiltInThenUser(); }

    PLUMETFormatterProtocol* activateFormatter(const QString& bundlePath)
    {
        return activatePlugin(bundlePath);
    }
    QHash<QString, PLUMETFormatterProtocol*> formatters() const { return plugins(); }
    QStringList formatterKeys() const { return pluginKeys(); }
    PLUMETFormatterProtocol* formatterForKey(const QString& key) const { return pluginForKey(key); }
    // The first formatter, in key order, that will handle the format; nullptr
    // for a null name or when none will.
    PLUMETFormatterProtocol* formatterForFormat(const QString& format) const;

    // The text through the formatter. A formatter that gives nothing back has
    // failed: the text goes on unchanged rather than as an empty body.
    static QString formatText(PLUMETFormatterProtocol* formatter, const QString& text);

protected:
    QString keyOf(PLUMETFormatterProtocol& plugin) const override { return plugin.formatterKey(); }
};
