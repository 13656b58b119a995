#pragma once

#include <QDialog>

class QLineEdit;
class QListView;
class QPushButton;
class Stationeries;
class StationeryListModel;

// Asks for the name of new stationery.
class SaveStationeryDialog : public QDialog {
    Q_OBJECT
public:
    explicit SaveStationeryDialog(const QString& name, QWidget* parent = nullptr);
    QString name() const;
    QLineEdit* nameField() const { return m_field; }

private:
    QLineEdit* m_field;
};

// Lists the stationery: names are edited in place, Remove deletes the selected ones.
class ManageStationeriesDialog : public QDialog {
    Q_OBJECT
public:
    explicit ManageStationeriesDialog(Stationeries* stationeries, QWidget* parent = nullptr);
    QListView* listView() const { return m_list; }
    StationeryListModel* model() const { return m_model; }

private:
    void removeSelected();

    StationeryListModel* m_model;
    QListView* m_list;
    QPushButton* m_removeButton;
};
