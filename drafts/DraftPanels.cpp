// The heads-up panels of a draft window: the date, the trackbacks and the text statistics.
#include "DraftPanels.h"

#include "DateHUDPanel.h"
#include "Draft.h"
#include "DraftHUD.h"
#include "RVDraftWindow.h"
#include "StatisticsHUDPanel.h"
#include "TrackbackHUDPanel.h"

#include <QDateTimeEdit>
#include <QTableWidget>

DraftPanels::DraftPanels(Draft& draft) : m_draft(draft) {}

DraftPanels::~DraftPanels() = default;

void DraftPanels::build()
{
    if (m_hud || !m_draft.window())
        return;
    // The layer and its panels belong to the window and go with it.
    m_hud = new DraftHUD(m_draft.window());
    m_date = new DateHUDPanel(m_draft);
    m_trackbacks = new TrackbackHUDPanel(m_draft);
    m_statistics = new StatisticsHUDPanel(m_draft);
    m_hud->addPanel(m_date, [this] { m_date->done(); });
    m_hud->addPanel(m_trackbacks, [this] { m_trackbacks->done(); });
    m_hud->addPanel(m_statistics, [this] { m_statistics->done(); });
    // Each panel's Done closes the layer; the date panel has set the mark first.
    auto close = [hud = m_hud] { hud->close(); };
    QObject::connect(m_date, &DateHUDPanel::finished, m_hud, close);
    QObject::connect(m_trackbacks, &TrackbackHUDPanel::finished, m_hud, close);
    QObject::connect(m_statistics, &StatisticsHUDPanel::finished, m_hud, close);
}

bool DraftPanels::open(QWidget* panel)
{
    return m_hud && m_hud->open(panel);
}

void DraftPanels::changeDate()
{
    build();
    if (!m_hud || m_hud->shownPanel() == m_date)
        return;
    m_date->opened();
    if (open(m_date))
        m_date->editor()->setFocus(Qt::OtherFocusReason);
}

void DraftPanels::manageTrackback()
{
    build();
    if (!m_hud || m_hud->shownPanel() == m_trackbacks)
        return;
    m_trackbacks->opened();
    if (open(m_trackbacks))
        m_trackbacks->table()->setFocus(Qt::OtherFocusReason);
}

void DraftPanels::wordCount()
{
    build();
    if (!m_hud || m_hud->shownPanel() == m_statistics)
        return;
    m_statistics->opened();
    if (!open(m_statistics))
        return;
    // The numbers come with the commit (entryCommitted), as after every later one.
    m_draft.commitThen(QStringLiteral("statistics"), {});
}

void DraftPanels::entryCommitted()
{
    if (m_hud && m_statistics && m_hud->shownPanel() == m_statistics)
        m_statistics->recount();
}
