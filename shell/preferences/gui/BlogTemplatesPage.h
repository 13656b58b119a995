#pragma once

#include <QPointer>
#include <QWidget>

class Blog;
class NotificationCenter;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The Blog Settings window's Templates page: the markup a blog puts in quotes,
// links and tag links, and the style sheet of its preview.
class BlogTemplatesPage : public QWidget {
    Q_OBJECT
public:
    explicit BlogTemplatesPage(NotificationCenter& center, QWidget* parent = nullptr);
    ~BlogTemplatesPage() override;

    // The blog whose templates the fields show and write.
    void setBlog(Blog* blog);
    // Fills the fields from the blog's templates, writing nothing back.
    void showTemplates();

private:
    NotificationCenter& m_center;
    QPointer<Blog> m_blog;
    bool m_showing = false;

    QLineEdit* m_quoteTitle;
    QPlainTextEdit* m_quoteBody;
    QPlainTextEdit* m_linkBody;
    QLineEdit* m_tagAddress;
    QLineEdit* m_tagSeparator;
    QComboBox* m_tagLocation;
    QPlainTextEdit* m_previewCss;
};
