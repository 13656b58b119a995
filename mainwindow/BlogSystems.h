#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// The blog systems the new-account wizard offers ("systems.plist", a
// resource of the program): each row's pop-up title ("system"), the plug-in
// to use ("plugin"), and for a system with one fixed access point the mark
// "config" and that address ("url").
class BlogSystems {
public:
    struct Row {
        QString system;
        QString plugin;
        QVariant config;
        QString url;
    };

    // The program's table, read from its resource.
    static BlogSystems fromResource();
    // A table from property-list bytes (an array of dictionaries); rows that
    // are not dictionaries or lack a title are left out.
    static BlogSystems fromData(const QByteArray& data);
    explicit BlogSystems(QList<Row> rows = {}) : m_rows(std::move(rows)) {}

    const QList<Row>& rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    // The row at `index`, or null past the end (the "Other" item).
    const Row* row(int index) const;
    // The "config" value of the row at `index`; invalid past the end.
    QVariant selectedConfig(int index) const;

private:
    QList<Row> m_rows;
};
