#include "AlertBox.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace {

// The width a label's text takes on one line (each line of it, the widest).
int unwrappedWidth(const QLabel* label)
{
    if (!label || label->text().isEmpty() || label->isHidden())
        return 0;
    QTextDocument document;
    document.setDefaultFont(label->font());
    document.setDocumentMargin(0);
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (rich)
        document.setHtml(label->text());
    else
        document.setPlainText(label->text());
    return int(std::ceil(document.idealWidth()));
}

} // namespace

AlertBox::AlertBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
                   QWidget* parent)
    : QMessageBox(icon, title, text, buttons, parent)
{
}

void AlertBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event);
    fitText();
}

void AlertBox::changeEvent(QEvent* event)
{
    QMessageBox::changeEvent(event);
    if (isVisible() &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
         event->type() == QEvent::LanguageChange))
        fitText();
}

void AlertBox::fitText()
{
    // The message box measures its title unwrapped and may then give it less
    // room than that, cutting it off at the edge; wrap both texts at one
    // width instead, and let the box take the height they need.
    auto* title = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* message = findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (!title || !layout())
        return;
    const int textWidth = std::clamp(std::max(unwrappedWidth(title), unwrappedWidth(message)),
                                     MinimumTextWidth, MaximumTextWidth);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    for (QLabel* label : {title, message}) {
        if (!label)
            continue;
        label->setWordWrap(true);
        label->setSizePolicy(policy);
        label->setMinimumWidth(textWidth);
    }
    layout()->invalidate();
    layout()->activate();
    const int width = layout()->totalMinimumSize().width();
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                     : layout()->totalMinimumSize().height();
    setFixedSize(width, height);
}

namespace cutils {

QMessageBox* makeAlert(QMessageBox::Icon icon, const QString& title, const QString& message,
                       QWidget* parent)
{
    auto* box = new AlertBox(icon, QCoreApplication::applicationName(),
                             QStringLiteral("<b>%1</b>").arg(title.toHtmlEscaped()),
                             QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::RichText);
    box->setInformativeText(message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

QString wrappablePaths(const QString& text)
{
    QString wrappable = text;
    return wrappable.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
}

QString elidedForAlert(const QString& name, qsizetype maxCharacters)
{
    if (name.size() <= maxCharacters)
        return name;
    qsizetype head = (maxCharacters - 1) / 2;
    qsizetype tail = name.size() - (maxCharacters - 1 - head);
    // Never half of a character outside the basic plane.
    if (head > 0 && name[head - 1].isHighSurrogate())
        --head;
    if (tail < name.size() && name[tail].isLowSurrogate())
        ++tail;
    return name.left(head) + QChar(0x2026) + name.mid(tail);
}

} // namespace cutils
