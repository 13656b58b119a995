#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace plumet::test {

// Catches what would go to the desktop's browser: while it lives, addresses
// of its schemes handed to QDesktopServices::openUrl land in opened() instead.
class BrowserCatcher : public QObject {
    Q_OBJECT
public:
    explicit BrowserCatcher(QStringList schemes = {QStringLiteral("http"),
                                                   QStringLiteral("https")});
    ~BrowserCatcher() override;

    const QList<QUrl>& opened() const { return m_opened; }

public slots:
    void open(const QUrl& url);

private:
    QStringList m_schemes;
    QList<QUrl> m_opened;
};

} // namespace plumet::test
