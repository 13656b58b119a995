#include "FormatterManager.h"

FormatterManager::FormatterManager()
    : PluginRegistry({QStringLiteral("formatter"), QStringLiteral("formatters"),
                      QStringLiteral(PLUMETFormatterProtocol_iid)})
{
}

FormatterManager& FormatterManager::sharedInstance()
{
    static FormatterManager instance;
    return instance;
}

PLUMETFormatterProtocol* FormatterManager::formatterForFormat(const QString& format) const
{
    if (format.isNull())
        return nullptr;
    for (const QString& key : pluginKeys()) {
        PLUMETFormatterProtocol* formatter = pluginForKey(key);
        if (formatter->willHandleFormat(format))
            return formatter;
    }
    return nullptr;
}

QString FormatterManager::formatText(PLUMETFormatterProtocol* formatter, const QString& text)
{
    if (!formatter)
        return text;
    const QString formatted = formatter->formatText(text);
    return formatted.isEmpty() ? text : formatted;
}
