// Builds a source view's right-click menu.
#pragma once

class QMenu;
class QPoint;
class RVTextView;

// The context menu of an RVTextView at a point: the commands of the
// attachment run clicked, the guesses for a misspelt word, the standard
// editing commands, and the insertions from the clipboard the draft offers.
// Part of the view.
class SourceViewMenu {
public:
    explicit SourceViewMenu(RVTextView& view);

    // See RVTextView::contextMenuAt.
    QMenu* menuAt(const QPoint& position);

private:
    RVTextView& m_view;
};
