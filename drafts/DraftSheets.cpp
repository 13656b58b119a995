// Shows a draft's sheets, its questions and alerts, on its window one at a time.
#include "DraftSheets.h"

#include "AlertBox.h"
#include "Draft.h"
#include "Localization.h"
#include "RVDraftWindow.h"

DraftSheets::DraftSheets(Draft& draft) : m_draft(draft) {}

DraftSheets::~DraftSheets() = default;

void DraftSheets::showSheet(QMessageBox* sheet, std::function<void(QAbstractButton* chosen)> ended)
{
    if (!sheet)
        return;
    dismissSheet();
    sheet->setWindowModality(
        m_draft.window() && m_draft.window()->isVisible() ? Qt::WindowModal : Qt::ApplicationModal);
    m_sheet = sheet;
    QObject::connect(sheet, &QMessageBox::finished, &m_draft,
                     [this, sheet, ended = std::move(ended)](int) {
                         if (m_sheet != sheet)
                             return;
                         m_sheet = nullptr;
                         if (ended)
                             ended(sheet->clickedButton());
                     });
    sheet->open();
}

void DraftSheets::dismissSheet()
{
    if (!m_sheet)
        return;
    QMessageBox* old = m_sheet;
    m_sheet = nullptr;
    old->disconnect(&m_draft);
    old->close();
}

void DraftSheets::showAlert(const QString& title, const QString& message, QMessageBox::Icon icon)
{
    QMessageBox* alert = cutils::makeAlert(icon, title, message, m_draft.window());
    alert->addButton(localized("AppControl", "OK"), QMessageBox::AcceptRole);
    alert->setWindowModality(
        m_draft.window() && m_draft.window()->isVisible() ? Qt::WindowModal : Qt::ApplicationModal);
    alert->open();
}
