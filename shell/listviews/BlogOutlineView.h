#pragma once

#include "Color.h"
#include "GradientOutlineView.h"

class NotificationCenter;
class UserDefaults;

// The outline of accounts and blogs in the main window: its background is the
// colour the user chose for the lists ("colorViewColor"), its selection a
// deeper shade of that colour. A colour chosen in the draft window's side
// panel arrives by notification and is taken over here.
class BlogOutlineView : public GradientOutlineView {
    Q_OBJECT
public:
    explicit BlogOutlineView(QWidget* parent = nullptr);
    BlogOutlineView(UserDefaults& defaults, NotificationCenter& center, QWidget* parent = nullptr);
    ~BlogOutlineView() override;

    // The selection colour for a background: saturation +0.2 (none for a
    // grey), brightness −0.065.
    static QColor makeSelectionColor(const QColor& background);

    rv::Color backgroundColor() const { return m_background; }
    // Stores the colour, shows it and its selection colour.
    void applyColor(const rv::Color& color);

public slots:
    // Back to the pale blue, and the side panels follow.
    void defaultColor();
    // Opens the colour panel on the current colour; each colour picked there
    // is taken over at once, and the side panels follow.
    void changeColor();

private:
    void show(const rv::Color& color);
    void takeColorFromPanel(const QColor& color);

    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    rv::Color m_background;
};
