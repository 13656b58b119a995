#include "PresetDialogEnd.h"

#include "AlertBox.h"
#include "Localization.h"
#include "Presets.h"

#include <QPointer>

namespace PresetDialogEnd {

void finish(Presets& store, QWidget* alertParent)
{
    QPointer<QWidget> parent(alertParent);
    const QMetaObject::Connection said =
        QObject::connect(&store, &Presets::saveFailed, &store, [parent](const QString& text) {
            QMessageBox* alert = cutils::makeAlert(QMessageBox::Warning,
                                                   localized("Presets", "Presets"), text, parent);
            alert->addButton(localized("Presets", "OK"), QMessageBox::AcceptRole);
            alert->open();
        });
    store.dialogEnded();
    QObject::disconnect(said);
}

} // namespace PresetDialogEnd
