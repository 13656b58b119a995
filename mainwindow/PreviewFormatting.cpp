#include "PreviewFormatting.h"

#include "Entry.h"
#include "EntryRenderer.h"

PreviewFormatting::PreviewFormatting(QObject* parent, Ready ready)
    : QObject(parent), m_ready(std::move(ready))
{
}

void PreviewFormatting::ask(Entry& entry)
{
    ++m_serial;
    m_wanted = &entry;
    // A run in flight is for an earlier ask: its answer starts the next one.
    if (!m_running)
        run(entry);
}

void PreviewFormatting::drop()
{
    ++m_serial;
    m_wanted = nullptr;
}

void PreviewFormatting::run(Entry& entry)
{
    m_running = true;
    const quint64 serial = m_serial;
    QPointer<Entry> asked(&entry);
    EntryRenderer(entry).renderForPreviewLater(this, [this, serial, asked](const QString& html) {
        m_running = false;
        if (serial == m_serial) {
            if (asked && !html.isNull())
                m_ready(*asked, html);
            return;
        }
        if (m_wanted)
            run(*m_wanted);
    });
}
