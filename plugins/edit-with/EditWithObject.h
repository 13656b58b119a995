#pragma once

#include "PLUMETAddonObject.h"

#include <QObject>
#include <QPointer>

class EditSession;
class EditWith;
class EditWithView;

// Edit With in one draft: the sheet's view and the editing session running
// for the draft, if any. The session ends with the sheet or the draft.
class EditWithObject : public QObject, public PLUMETAddonObject {
    Q_OBJECT

public:
    explicit EditWithObject(EditWith& addon);
    ~EditWithObject() override;

    void addonRequested(PLUMETAddonHost* draft, const QString& selection,
                        const QString& subaction) override;
    QWidget* view() override;
    QSize minimumSize() const override { return {380, 120}; }
    bool canResize() const override { return false; }
    void sheetClosed(PLUMETAddonHost* draft) override;
    void willDispose(PLUMETAddonHost* draft) override;

private:
    void finish(const QString& text);
    void fail(const QString& message);
    void endSession();

    EditWith& m_addon;
    // Guarded: while shown it sits in the draft's sheet.
    QPointer<EditWithView> m_view;
    QPointer<EditSession> m_session;
    PLUMETAddonHost* m_draft = nullptr;
};
