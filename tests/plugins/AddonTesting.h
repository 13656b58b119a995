#pragma once

#include "AddonManager.h"
#include "DraftAddonHandler.h"
#include "StandInTextHolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace plumet::test {

// The add-on bundles of the build, loaded as the application loads them.
inline AddonManager& builtInAddons()
{
    static AddonManager* manager = [] {
        static QTemporaryDir userFolder;
        auto* addons = new AddonManager;
        addons->setUserFolder(userFolder.path());
        addons->loadPlugins();
        return addons;
    }();
    return *manager;
}

// The script runner's folder in the test's own data home.
inline QString scriptsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/plumet3/scripts");
}

// Writes a script into the scripts folder; answers its path.
inline QString writeScript(const QString& fileName, const QByteArray& body)
{
    QDir().mkpath(scriptsFolder());
    const QString path = scriptsFolder() + QLatin1Char('/') + fileName;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(body);
    return path;
}

// A draft window as the add-ons see it: a text holder standing in for its
// editors, and its side of the add-on hand-over.
struct DraftStandIn {
    QMainWindow window;
    StandInTextHolder text;
    DraftAddonHandler addons;
    QSignalSpy ended{&addons, &DraftAddonHandler::addonEnded};

    explicit DraftStandIn(const QString& content, AddonManager& manager = builtInAddons())
        : text(content), addons(&window, text, manager)
    {
        window.resize(600, 400);
        window.show();
    }

    bool sheetShown() const { return addons.addonSheet() && addons.addonSheet()->isVisible(); }

    // Every text the sheet shows, one per line.
    QString sheetText() const
    {
        QStringList texts;
        if (addons.addonContainer()) {
            for (const QLabel* label : addons.addonContainer()->findChildren<QLabel*>())
                texts << label->text();
            for (const QObject* child : addons.addonContainer()->findChildren<QObject*>()) {
                const QVariant plain = child->property("plainText");
                if (plain.isValid())
                    texts << plain.toString();
            }
        }
        return texts.join(QLatin1Char('\n'));
    }

    // Clicks the visible button of the sheet with that text.
    bool clickButton(const QString& text) const
    {
        if (!addons.addonContainer())
            return false;
        for (QAbstractButton* button : addons.addonContainer()->findChildren<QAbstractButton*>()) {
            if (button->isVisible() && button->text().remove(QLatin1Char('&')) == text) {
                button->click();
                return true;
            }
        }
        return false;
    }
};

// QTEST_MAIN for tests that load the add-ons: the script runner brings Qt
// WebEngine, which wants its contexts shared before the application is made.
#define PLUMET_ADDON_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

} // namespace plumet::test
