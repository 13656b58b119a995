#include "ScriptRunView.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("ScriptRunner", text);
}

} // namespace

ScriptRunView::ScriptRunView(QWidget* parent)
    : QWidget(parent), m_title(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_details(new QPlainTextEdit(this))
{
    m_title->setWordWrap(true);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_details->setReadOnly(true);
    m_details->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* buttons = new QDialogButtonBox(this);
    m_button = buttons->addButton(QDialogButtonBox::Cancel);
    connect(m_button, &QPushButton::clicked, this, &ScriptRunView::cancelClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_progress);
    layout->addWidget(m_details, 1);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void ScriptRunView::showRunning(const QString& script)
{
    m_title->setText(translated("Running “%1”…").arg(script));
    m_progress->show();
    m_details->clear();
    m_details->hide();
    m_button->setText(translated("Stop"));
}

void ScriptRunView::showFailure(const QString& message)
{
    // The first paragraph says what happened, the rest is the script's own output.
    const qsizetype split = message.indexOf(QStringLiteral("\n\n"));
    m_title->setText(split < 0 ? message : message.left(split));
    m_details->setPlainText(split < 0 ? QString() : message.mid(split + 2));
    m_details->setVisible(split >= 0);
    m_progress->hide();
    m_button->setText(translated("Close"));
}

QString ScriptRunView::message() const
{
    const QString details = m_details->toPlainText();
    return details.isEmpty() ? m_title->text() : m_title->text() + QStringLiteral("\n\n") + details;
}
