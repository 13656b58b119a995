#include "RVAttribute.h"

#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"

RVAttribute::RVAttribute(QObject* parent) : ModelRecord(parent) {}

RVAttribute::~RVAttribute() = default;

RVAttributePtr RVAttribute::create(const QString& name, const QString& value)
{
    auto attribute = std::make_shared<RVAttribute>();
    attribute->m_tagAttribute = name;
    attribute->m_tagValue = value;
    return attribute;
}

void RVAttribute::setTagAttribute(const QString& name)
{
    m_tagAttribute = name;
    announce(QStringLiteral("tagAttribute"));
}

void RVAttribute::setTagValue(const QString& value)
{
    m_tagValue = value;
    announce(QStringLiteral("tagValue"));
}

RVAttributePtr RVAttribute::copy() const
{
    return create(m_tagAttribute, m_tagValue);
}

void RVAttribute::encodeWithCoder(KeyedArchiver& coder) const
{
    if (!m_tagAttribute.isNull())
        coder.encodeObject(QStringLiteral("tagAttribute"), m_tagAttribute);
    if (!m_tagValue.isNull())
        coder.encodeObject(QStringLiteral("tagValue"), m_tagValue);
}

void RVAttribute::initWithCoder(KeyedUnarchiver& coder)
{
    if (coder.containsKey(QStringLiteral("tagAttribute")))
        m_tagAttribute = coder.decodeString(QStringLiteral("tagAttribute"));
    if (coder.containsKey(QStringLiteral("tagValue")))
        m_tagValue = coder.decodeString(QStringLiteral("tagValue"));
}
