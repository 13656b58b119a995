// The panels a draft opens beside its window, heads-up style: the text statistics.
#include "DraftPanels.h"

#include "Draft.h"
#include "DraftExtensions.h"

DraftPanels::DraftPanels(Draft& draft) : m_draft(draft) {}

DraftPanels::~DraftPanels() = default;

void DraftPanels::showStatistics()
{
    if (!DraftExtensions::sharedInstance().showStatistics)
        return;
    m_draft.commitThen(QStringLiteral("statistics"), [this] {
        if (DraftExtensions::sharedInstance().showStatistics)
            DraftExtensions::sharedInstance().showStatistics(m_draft);
    });
}
