#pragma once

#include "CustomField.h"
#include "PLUMETDraftPanel.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QTableWidget;

// The WordPress options of one draft: slug, post password, custom fields and,
// for pages, the parent page and the menu order. Every edit is written into
// the entry's plug-in settings at once.
class WPPluginObject : public QObject, public PLUMETDraftPanel {
    Q_OBJECT

public:
    WPPluginObject(const QVariantMap& settings, SettingsWriter writer);
    ~WPPluginObject() override;

    void setIsPage(bool isPage) override;
    bool isPage() const { return m_isPage; }
    double minimumHeight() const override { return 180; }
    QWidget* view() override { return m_view; }
    void willDispose(QObject* draft) override;
    QVariantMap settings() const override { return m_settings; }

    // The visible custom fields; WordPress's private ones are left out.
    QList<CustomField> customFields() const { return m_customFields; }
    void setCustomFields(const QList<CustomField>& fields);

private:
    void buildView();
    void fillView();
    void setText(const QString& key, const QString& text);
    void setNumber(const QString& key, const QString& text);
    void customFieldEdited();
    void addCustomField();
    void removeCustomField();
    void store();

    QVariantMap m_settings;
    SettingsWriter m_writer;
    bool m_isPage = false;
    QList<CustomField> m_customFields;

    QPointer<QWidget> m_view;
    QLineEdit* m_slug = nullptr;
    QLineEdit* m_password = nullptr;
    QWidget* m_pageBox = nullptr;
    QLineEdit* m_parentId = nullptr;
    QLineEdit* m_order = nullptr;
    QTableWidget* m_fieldsTable = nullptr;
    bool m_filling = false;
};
