#include "WPPluginObject.h"

#include "WPPluginView.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString Slug = QStringLiteral("wp_slug");
const QString Password = QStringLiteral("wp_password");
const QString ParentId = QStringLiteral("wp_page_parent_id");
const QString Order = QStringLiteral("wp_page_order");
const QString CustomFields = QStringLiteral("custom_fields");

constexpr int IdRole = Qt::UserRole;

QString wpText(const char* text)
{
    return QCoreApplication::translate("Wordpress", text);
}

QString numberText(const QVariant& value)
{
    return value.isValid() && !value.isNull() ? value.toString() : QString();
}

} // namespace

WPPluginObject::WPPluginObject(const QVariantMap& settings, SettingsWriter writer)
    : m_settings(settings), m_writer(std::move(writer))
{
    for (const QVariant& item : m_settings.value(CustomFields).toList()) {
        if (item.typeId() != QMetaType::QVariantMap)
            continue;
        CustomField field(item.toMap());
        if (!field.isPrivate())
            m_customFields << field;
    }
    buildView();
    fillView();
}

WPPluginObject::~WPPluginObject()
{
    delete m_view.data();
}

void WPPluginObject::setIsPage(bool isPage)
{
    m_isPage = isPage;
    m_pageBox->setVisible(isPage);
}

void WPPluginObject::willDispose(QObject*)
{
    m_writer = {};
}

void WPPluginObject::setCustomFields(const QList<CustomField>& fields)
{
    m_customFields = fields;
    QVariantList list;
    for (const CustomField& field : fields)
        list << field.dictionary();
    m_settings.insert(CustomFields, list);
    store();
}

void WPPluginObject::buildView()
{
    m_view = new WPPluginView;
    auto* layout = new QVBoxLayout(m_view);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    m_slug = new QLineEdit;
    m_slug->setObjectName(QStringLiteral("slugField"));
    form->addRow(wpText("Slug:"), m_slug);
    m_password = new QLineEdit;
    m_password->setObjectName(QStringLiteral("passwordField"));
    form->addRow(wpText("Password:"), m_password);
    connect(m_slug, &QLineEdit::textEdited, this, [this](const QString& t) { setText(Slug, t); });
    connect(m_password, &QLineEdit::textEdited, this,
            [this](const QString& t) { setText(Password, t); });

    m_pageBox = new QWidget;
    auto* pageForm = new QFormLayout(m_pageBox);
    pageForm->setContentsMargins(0, 0, 0, 0);
    m_parentId = new QLineEdit;
    m_parentId->setObjectName(QStringLiteral("parentField"));
    m_parentId->setValidator(new QIntValidator(0, INT_MAX, m_parentId));
    pageForm->addRow(wpText("Parent page ID:"), m_parentId);
    m_order = new QLineEdit;
    m_order->setObjectName(QStringLiteral("orderField"));
    m_order->setValidator(new QIntValidator(m_order));
    pageForm->addRow(wpText("Page order:"), m_order);
    m_pageBox->setVisible(false);
    layout->addWidget(m_pageBox);
    connect(m_parentId, &QLineEdit::textEdited, this,
            [this](const QString& t) { setNumber(ParentId, t); });
    connect(m_order, &QLineEdit::textEdited, this,
            [this](const QString& t) { setNumber(Order, t); });

    m_fieldsTable = new QTableWidget(0, 2);
    m_fieldsTable->setObjectName(QStringLiteral("customFieldsTable"));
    m_fieldsTable->setHorizontalHeaderLabels({wpText("Custom field"), wpText("Value")});
    m_fieldsTable->horizontalHeader()->setStretchLastSection(true);
    m_fieldsTable->verticalHeader()->hide();
    layout->addWidget(m_fieldsTable, 1);
    connect(m_fieldsTable, &QTableWidget::itemChanged, this, [this] { customFieldEdited(); });

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("+"));
    add->setObjectName(QStringLiteral("addFieldButton"));
    add->setToolTip(wpText("Add a custom field"));
    auto* remove = new QPushButton(QStringLiteral("-"));
    remove->setObjectName(QStringLiteral("removeFieldButton"));
    remove->setToolTip(wpText("Remove the selected custom field"));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, [this] { addCustomField(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeCustomField(); });
}

void WPPluginObject::fillView()
{
    m_filling = true;
    m_slug->setText(m_settings.value(Slug).toString());
    m_password->setText(m_settings.value(Password).toString());
    m_parentId->setText(numberText(m_settings.value(ParentId)));
    m_order->setText(numberText(m_settings.value(Order)));
    m_fieldsTable->setRowCount(0);
    for (const CustomField& field : std::as_const(m_customFields)) {
        const int row = m_fieldsTable->rowCount();
        m_fieldsTable->insertRow(row);
        auto* key = new QTableWidgetItem(field.key());
        key->setData(IdRole, field.cid());
        m_fieldsTable->setItem(row, 0, key);
        m_fieldsTable->setItem(row, 1, new QTableWidgetItem(field.value()));
    }
    m_filling = false;
}

void WPPluginObject::setText(const QString& key, const QString& text)
{
    if (text.isEmpty())
        m_settings.remove(key);
    else
        m_settings.insert(key, text);
    store();
}

void WPPluginObject::setNumber(const QString& key, const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok)
        m_settings.insert(key, number);
    else
        m_settings.remove(key);
    store();
}

void WPPluginObject::customFieldEdited()
{
    if (m_filling)
        return;
    QList<CustomField> fields;
    for (int row = 0; row < m_fieldsTable->rowCount(); ++row) {
        CustomField field;
        if (const QTableWidgetItem* key = m_fieldsTable->item(row, 0)) {
            field.setKey(key->text());
            field.setCid(key->data(IdRole).toString());
        }
        if (const QTableWidgetItem* value = m_fieldsTable->item(row, 1))
            field.setValue(value->text());
        fields << field;
    }
    setCustomFields(fields);
}

void WPPluginObject::addCustomField()
{
    const int row = m_fieldsTable->rowCount();
    m_fieldsTable->insertRow(row);
    m_fieldsTable->setCurrentCell(row, 0);
}

void WPPluginObject::removeCustomField()
{
    const int row = m_fieldsTable->currentRow();
    if (row < 0)
        return;
    m_fieldsTable->removeRow(row);
    customFieldEdited();
}

void WPPluginObject::store()
{
    if (m_writer)
        m_writer(m_settings);
}
