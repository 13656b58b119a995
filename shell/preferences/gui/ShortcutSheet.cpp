#include "ShortcutSheet.h"

#include "ShortcutString.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ShortcutSheet::ShortcutSheet(const QString& title, const QString& stored, QWidget* parent)
    : QDialog(parent), m_recorder(stored)
{
    setWindowTitle(tr("Shortcut"));
    setObjectName(QStringLiteral("shortcutSheet"));
    setWindowModality(Qt::WindowModal);

    auto* prompt = new QLabel(tr("Press the keys for “%1”.").arg(title));
    auto* hint = new QLabel(tr("Space clears the shortcut; Escape leaves it as it was."));
    hint->setEnabled(false);
    m_field = new QLabel;
    m_field->setObjectName(QStringLiteral("shortcutField"));
    m_field->setAlignment(Qt::AlignCenter);
    m_field->setMinimumHeight(32);
    m_field->setFrameShape(QFrame::StyledPanel);
    m_field->setFrameShadow(QFrame::Sunken);
    QFont big = m_field->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    m_field->setFont(big);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    // The keys belong to the recording: no button may take Return or Space.
    for (QAbstractButton* button : buttons->buttons()) {
        button->setFocusPolicy(Qt::NoFocus);
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_field);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    setFocusPolicy(Qt::StrongFocus);
    showShortcut();
}

bool ShortcutSheet::event(QEvent* event)
{
    // Tab and Backtab would move the focus instead of being recorded.
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // every key comes here first, none triggers a menu
        return true;
    }
    return QDialog::event(event);
}

void ShortcutSheet::keyPressEvent(QKeyEvent* event)
{
    switch (m_recorder.keyPressed(event->key(), event->modifiers(), event->text())) {
    case ShortcutRecorder::Outcome::Accept:
        accept();
        break;
    case ShortcutRecorder::Outcome::Cancel:
        reject();
        break;
    case ShortcutRecorder::Outcome::Continue:
        showShortcut();
        break;
    }
}

void ShortcutSheet::showShortcut()
{
    const QString native = ShortcutString::toNativeText(m_recorder.stored());
    m_field->setText(native.isEmpty() ? tr("None") : native);
}
