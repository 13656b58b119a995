#include "RefreshCategoriesJob.h"

#include "ActivityItem.h"
#include "Blog.h"
#include "Localization.h"
#include "PLUMETPluginProtocol.h"
#include "ServerCallJob.h"
#include "TextDecoding.h"

namespace {

QString categoriesService(const QVariantMap& services)
{
    return services.value(QStringLiteral("service.categories")).toString();
}

QString retrievingText(const QString& blogName)
{
    return localized("Account", "Retrieving categories for \"%1\"...").arg(blogName);
}

} // namespace

RefreshCategoriesJob::RefreshCategoriesJob(Blog* blog, QObject* parent)
    : Job(parent), m_account(blog ? blog->account() : nullptr), m_blog(blog),
      m_blogID(blog ? blog->uniqueID() : QString()),
      m_categoriesService(blog ? categoriesService(blog->services()) : QString())
{
    setPasswordsOf(m_account);
    if (blog)
        setStatus(retrievingText(ActivityItem::shownName(blog->displayName())));
}

RefreshCategoriesJob::RefreshCategoriesJob(Account* account, const Account::ListedBlog& listed,
                                           QObject* parent)
    : Job(parent), m_account(account), m_blogID(listed.id),
      m_categoriesService(categoriesService(listed.item))
{
    setPasswordsOf(account);
    setStatus(retrievingText(listed.name));
}

void RefreshCategoriesJob::doStart()
{
    setSubStatus(QString());
    PLUMETPluginProtocol* plugin = m_account ? m_account->plugin() : nullptr;
    if (!plugin) {
        fail({0,
              localized("Blog", "For some obscure reason an XML-RPC request could not be made.")});
        return;
    }
    if (plugin->supportedProtocol() == PLUMETPluginProtocol::XmlRpc) {
        m_call = ServerCallJob::xmlrpc(m_account, &PLUMETPluginProtocol::xmlrpcCategoryListRequest,
                                       {{QStringLiteral("blogid"), m_blogID},
                                        {QStringLiteral("username"), m_account->username()},
                                        {QStringLiteral("password"), m_account->password()}},
                                       this);
        m_call->setRefusalMessage(
            localized("Blog", "For some obscure reason an XML-RPC request could not be made."));
    } else {
        if (m_categoriesService.isEmpty()) {
            m_nothingToFetch = true;
            succeed();
            return;
        }
        m_call = ServerCallJob::atomGet(m_account,
                                        URLUtilities::urlFromAddress(m_categoriesService), this);
        m_call->setRefusalMessage(
            localized("Blog", "For some obscure reason the request could not be made."));
    }
    m_call->setResponseTimeout(m_responseTimeout);
    connect(m_call, &Job::subStatusChanged, this, &RefreshCategoriesJob::setSubStatus);
    connect(m_call, &Job::progressChanged, this, &RefreshCategoriesJob::setProgress);
    connect(m_call, &Job::finished, this, &RefreshCategoriesJob::callFinished);
    m_call->start();
}

void RefreshCategoriesJob::doCancel()
{
    if (ServerCallJob* call = m_call) {
        m_call = nullptr;
        call->disconnect(this);
        call->cancel();
    }
}

void RefreshCategoriesJob::callFinished(Job* job)
{
    auto* call = static_cast<ServerCallJob*>(job);
    m_call = nullptr;
    switch (call->state()) {
    case State::Failed:
        fail(call->error().value_or(RestError{}));
        return;
    case State::Cancelled:
        cancel();
        return;
    default:
        break;
    }
    if (call->data().isEmpty()) {
        fail({0, localized("Blog", "The server did not return data.")});
        return;
    }
    const DecodeResult& answer = call->answer();
    if (answer.isFault()) {
        fail({0, answer.faultString()});
        return;
    }
    const QVariant& value = answer.value();
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QVariantMap) {
        fail({0, localized("Blog", "The response from the server did not contain valid data: "
                                   "Categories must be returned either as an array or a struct.")});
        return;
    }
    m_list = call->isAtom() ? value.toMap().value(QStringLiteral("items")) : value;
    if (m_blog)
        m_blog->processCategories(m_list);
    succeed();
}
