#include "PluginProblemsDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The details area shows this many lines before it scrolls.
constexpr int visibleLines = 10;

} // namespace

PluginProblemsDialog::PluginProblemsDialog(const QStringList& problems, QWidget* parent)
    : QDialog(parent), m_details(new QPlainTextEdit(this))
{
    setWindowTitle(tr("Plug-ins"));
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this)
                        .pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    auto* caption = new QLabel(problems.size() == 1
                                   ? tr("A plug-in could not be loaded:")
                                   : tr("%1 plug-ins could not be loaded:").arg(problems.size()),
                               this);
    caption->setWordWrap(true);

    m_details->setObjectName(QStringLiteral("details"));
    m_details->setReadOnly(true);
    m_details->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_details->setPlainText(problems.join(QStringLiteral("\n\n")));
    const int lineHeight = m_details->fontMetrics().lineSpacing();
    m_details->setMinimumHeight(lineHeight * 3);
    m_details->setMaximumHeight(lineHeight * visibleLines + 2 * m_details->frameWidth() + 8);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QCoreApplication::translate("AppControl", "OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(caption);
    text->addWidget(m_details);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(520);
}
