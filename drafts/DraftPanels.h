// The panels a draft opens beside its window, heads-up style: the text statistics.
#pragma once

class Draft;

// The floating panels of a draft window, each showing the entry as its
// editors just handed it over. The text statistics are shown by the part
// installed as DraftExtensions::showStatistics. Part of the Draft.
class DraftPanels {
public:
    explicit DraftPanels(Draft& draft);
    ~DraftPanels();

    // See Draft::showStatistics.
    void showStatistics();

private:
    Draft& m_draft;
};
