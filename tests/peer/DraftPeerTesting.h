#pragma once

#include "ActivityList.h"
#include "DraftTesting.h"
#include "PublishHandOver.h"
#include "PublishTesting.h"
#include "RestExchange.h"
#include "ServerRoads.h"
#include "TestSecretService.h"
#include "WordPressServer.h"
#include "XMLRPCDecoder.h"
#include "XMLRPCEncoder.h"

#include <QTest>

// What the peer tests of the draft window share: a keyring and a WordPress
// of their own, the publishing road to it with the drafts' Publish handed to
// it as the program does, and posts read back from WordPress.
namespace plumet::test {

class DraftPeerWorld {
public:
    // Starts the keyring, the drivers, WordPress and the road; false, with
    // the reason in `problem`, when one does not start.
    bool start(QObject* parent, QString* problem)
    {
        if (!m_keyring.start(problem))
            return false;
        loadDrivers();
        wordpress = new WordPressServer(parent);
        if (!wordpress->start()) {
            *problem = wordpress->problem();
            return false;
        }
        m_list = new ActivityList(parent);
        road = new PublishRoad(*m_list, parent);
        ServerRoads::setSharedInstance(road);
        DraftExtensions::sharedInstance().publish = PublishHandOver::publish;
        return true;
    }

    // Closes the drafts and puts the hooks back.
    void stop()
    {
        DraftController::cleanUp();
        letDraftsGo();
        DraftExtensions::sharedInstance() = DraftExtensions();
        ServerRoads::setSharedInstance(nullptr);
    }

    // A WordPress blog of the test's server.
    BlogSetup blog() const
    {
        return makeBlog(QStringLiteral("Wordpress"), wordpress->xmlrpcUrl(), wordpress->username(),
                        wordpress->password(), QStringLiteral("1"));
    }

    // The post as WordPress gives it to any client (metaWeblog.getPost);
    // empty, with the reason in `problem`, when it does not.
    QVariantMap serverPost(const QString& postID, QString* problem = nullptr) const
    {
        XMLRPCEncoder encoder;
        encoder.setMethod(QStringLiteral("metaWeblog.getPost"));
        encoder.setObjects({{QStringLiteral("postid"), postID},
                            {QStringLiteral("username"), wordpress->username()},
                            {QStringLiteral("password"), wordpress->password()}});
        encoder.setKeys(
            {QStringLiteral("postid"), QStringLiteral("username"), QStringLiteral("password")});
        RestExchange request(wordpress->xmlrpcUrl(), "POST", encoder.document(), "text/xml");
        const RestExchange::Result answer = request.run();
        if (!answer.ok()) {
            if (problem)
                *problem = answer.problem;
            return {};
        }
        const DecodeResult decoded = XMLRPCDecoder::decode(answer.body);
        if (decoded.isFault()) {
            if (problem)
                *problem = decoded.errorMessage();
            return {};
        }
        return decoded.value().toMap();
    }

    WordPressServer* wordpress = nullptr;
    PublishRoad* road = nullptr;

private:
    TestKeyring m_keyring;
    ActivityList* m_list = nullptr;
};

} // namespace plumet::test
