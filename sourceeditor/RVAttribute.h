#pragma once

#include "Archivable.h"
#include "ModelRecord.h"

#include <QString>
#include <memory>

class RVAttribute;
using RVAttributePtr = std::shared_ptr<RVAttribute>;

// One name and value pair of a custom tag's element (and of the link tool's
// links). Unset fields are null strings. Archived as "RVAttribute" with the
// keys "tagAttribute" and "tagValue", each only when set.
class RVAttribute : public ModelRecord, public Archivable {
    Q_OBJECT
public:
    explicit RVAttribute(QObject* parent = nullptr);
    ~RVAttribute() override;

    static RVAttributePtr create(const QString& name, const QString& value);

    QString tagAttribute() const { return m_tagAttribute; }
    void setTagAttribute(const QString& name);
    QString tagValue() const { return m_tagValue; }
    void setTagValue(const QString& value);

    RVAttributePtr copy() const;

    QString archiveClassName() const override { return QStringLiteral("RVAttribute"); }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

private:
    QString m_tagAttribute;
    QString m_tagValue;
};
