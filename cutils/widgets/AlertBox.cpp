#include "AlertBox.h"

#include <QCoreApplication>

namespace cutils {

QMessageBox* makeAlert(QMessageBox::Icon icon, const QString& title, const QString& message,
                       QWidget* parent)
{
    auto* box = new QMessageBox(icon, QCoreApplication::applicationName(),
                                QStringLiteral("<b>%1</b>").arg(title.toHtmlEscaped()),
                                QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::RichText);
    box->setInformativeText(message);
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel "
                                      "{ min-width: 340px; }"));
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
