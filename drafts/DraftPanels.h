// The heads-up panels of a draft window: the date, the trackbacks and the text statistics.
#pragma once

class DateHUDPanel;
class Draft;
class DraftHUD;
class QWidget;
class StatisticsHUDPanel;
class TrackbackHUDPanel;

// The three heads-up panels of a draft window, shown one at a time in the
// window's DraftHUD layer (made on first use). Part of the Draft.
class DraftPanels {
public:
    explicit DraftPanels(Draft& draft);
    ~DraftPanels();

    // Opens the panel of the publication date, of the trackback addresses,
    // of the text statistics (the Draft menu's commands).
    void changeDate();
    void manageTrackback();
    void wordCount();
    // The editors were just committed into the entry: the statistics
    // follow while they show.
    void entryCommitted();

    // Null before the first panel opened.
    DraftHUD* hud() const { return m_hud; }
    DateHUDPanel* datePanel() const { return m_date; }
    TrackbackHUDPanel* trackbackPanel() const { return m_trackbacks; }
    StatisticsHUDPanel* statisticsPanel() const { return m_statistics; }

private:
    void build();
    bool open(QWidget* panel);

    Draft& m_draft;
    DraftHUD* m_hud = nullptr;
    DateHUDPanel* m_date = nullptr;
    TrackbackHUDPanel* m_trackbacks = nullptr;
    StatisticsHUDPanel* m_statistics = nullptr;
};
