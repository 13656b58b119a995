#pragma once

#include "Archivable.h"
#include "Genetic.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <span>

// One text format (formatter) a blog system offers: `uniqueID` is the format's key
// as the server names it, `title` its label.
class Format : public Genetic, public Archivable {
    Q_OBJECT
public:
    explicit Format(QObject* parent = nullptr);

    FormatPtr copy() const;

    static std::span<const RecordKey<Format>> storedKeys();

    QString archiveClassName() const override { return QStringLiteral("Format"); }
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;
};
