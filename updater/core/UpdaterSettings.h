#pragma once

#include "ApplicationBus.h"
#include "FolderSwap.h"
#include "UpdateHandOver.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

// Everything one run of the updater works with: the hand-over from the
// application and the program's fixed values.
struct UpdaterSettings {
    UpdateHandOver handOver;
    QByteArray publicKey; // raw Ed25519 key the update's signature must match
    QString applicationService = QLatin1String(ApplicationBus::serviceName);
    // The privileged helper; empty: the one inside the installation.
    QString helperProgram;
    QString privilegedLauncher = QStringLiteral("pkexec");
    // How long the application has to quit before the user is asked.
    int quitWaitMs = 30000;
    int quitPollMs = 250;
    // How often, and how many times, the end step looks for the new program.
    int launchPollMs = 2000;
    int launchPolls = 15;
    // The swap of the plain road (called on a worker thread); empty: a
    // FolderSwap. Tests hand in one that fails.
    std::function<std::shared_ptr<FolderSwap>()> makeSwap;
};
