#pragma once

#include <QPointer>
#include <QVariantList>
#include <QWidget>

class Blog;
class QTableWidget;

// The Blog Settings window's Pings page: the services a blog tells of each new
// post, edited in a table, with the default services a click away.
class BlogPingsPage : public QWidget {
    Q_OBJECT
public:
    explicit BlogPingsPage(QWidget* parent = nullptr);
    ~BlogPingsPage() override;

    // The blog whose pings showPings() shows and the default pings go to.
    void setBlog(Blog* blog);
    void showPings();

signals:
    // The user changed the table: the pings to store, empty rows left out.
    void pingsEdited(const QVariantList& pings);

private:
    void writePings();

    QPointer<Blog> m_blog;
    QTableWidget* m_pings;
};
