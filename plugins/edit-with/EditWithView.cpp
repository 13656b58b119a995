#include "EditWithView.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int iconSize = 48;

QString translated(const char* text)
{
    return QCoreApplication::translate("EditWith", text);
}

} // namespace

EditWithView::EditWithView(QWidget* parent)
    : QWidget(parent), m_icon(new QLabel(this)), m_title(new QLabel(this)),
      m_status(new QLabel(this)), m_saved(new QLabel(this))
{
    m_icon->setFixedSize(iconSize, iconSize);
    m_icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_saved->setForegroundRole(QPalette::PlaceholderText);

    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_done = buttons->addButton(translated("Done"), QDialogButtonBox::AcceptRole);
    m_done->setToolTip(translated("Bring the text as last saved in the editor back to the draft"));
    connect(m_cancel, &QPushButton::clicked, this, &EditWithView::cancelClicked);
    connect(m_done, &QPushButton::clicked, this, &EditWithView::doneClicked);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_title);
    texts->addWidget(m_status);
    texts->addWidget(m_saved);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void EditWithView::showEditing(const QString& editor, const QIcon& icon)
{
    m_editor = editor;
    m_icon->setPixmap(icon.pixmap(iconSize, iconSize));
    m_icon->setVisible(!icon.isNull());
    m_title->setText(translated("Editing in %1").arg(editor));
    m_status->setText(
        translated("Save and close the file in %1 to bring your changes back to the draft.")
            .arg(editor));
    m_saved->clear();
    m_cancel->setText(translated("Cancel"));
    m_done->show();
}

void EditWithView::showSaved(const QDateTime& when)
{
    m_saved->setText(
        translated("Saved at %1").arg(QLocale().toString(when.time(), QLocale::LongFormat)));
}

void EditWithView::showWaitingForDone()
{
    m_status->setText(translated("%1 returned at once and may still have the file open. Save it "
                                 "there, then click Done to bring your changes back.")
                          .arg(m_editor));
}

void EditWithView::showFailure(const QString& message)
{
    m_title->setText(m_editor.isEmpty() ? translated("Edit With")
                                        : translated("Could not edit in %1").arg(m_editor));
    m_status->setText(message);
    m_saved->clear();
    m_done->hide();
    m_cancel->setText(translated("Close"));
}

QString EditWithView::statusText() const
{
    return m_status->text();
}
