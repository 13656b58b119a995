#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTextBrowser;

// The About box's window: borderless, see-through and floating; it can take
// the keyboard (Escape closes it through its button).
class RVAboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit RVAboutWindow(QWidget* parent = nullptr);
};

// The frosted face of the About box: white at 80 % on rounded corners.
class RVAboutView : public QWidget {
    Q_OBJECT
public:
    explicit RVAboutView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The About box: the program's version, its copyright line and our credits
// page. Links in the credits open in the desktop's browser and leave the page
// as it is; the page has no context menu. Made once, shown and hidden.
class RVAbout : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QString versionNumber READ versionNumber WRITE setVersionNumber NOTIFY versionNumberChanged)
    Q_PROPERTY(QString copyright READ copyright WRITE setCopyright NOTIFY copyrightChanged)
public:
    explicit RVAbout(QObject* parent = nullptr);
    ~RVAbout() override;

    // Centres the box, brings it to the front and loads the credits.
    void about();
    bool isShowing() const;

    QString versionNumber() const { return m_versionNumber; }
    void setVersionNumber(const QString& version);
    QString copyright() const { return m_copyright; }
    void setCopyright(const QString& text);

    QWidget* window() const { return m_window; }
    QTextBrowser* creditsView() const { return m_credits; }

public slots:
    // Hides the box and empties the credits view.
    void closeAbout();

signals:
    void versionNumberChanged(const QString& version);
    void copyrightChanged(const QString& text);

private:
    RVAboutWindow* m_window;
    QLabel* m_versionLabel;
    QLabel* m_copyrightLabel;
    QTextBrowser* m_credits;
    QPushButton* m_closeButton;
    QString m_versionNumber, m_copyright, m_creditsHtml;
};
