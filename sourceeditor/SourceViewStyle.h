// Gives a source view the font and colours of the blog's HTML template.
#pragma once

class RVTextView;

// The look of an RVTextView: the font, the text and background colours of
// the draft's HTML template (the default template's where it names none),
// the colours of the markup, and whether the text is drawn without
// anti-aliasing ("no_alias"). Part of the view.
class SourceViewStyle {
public:
    explicit SourceViewStyle(RVTextView& view);

    // See RVTextView::setDefaults.
    void setDefaults(bool recolour);
    bool noAntiAlias() const { return m_noAntiAlias; }
    // Takes "no_alias" without redrawing.
    void readPreference();
    void setNoAntiAlias(bool noAntiAlias);

private:
    RVTextView& m_view;
    bool m_noAntiAlias = false;
};
