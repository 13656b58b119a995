#include "UploaderManager.h"

UploaderManager::UploaderManager()
    : PluginRegistry({QStringLiteral("uploader"), QStringLiteral("uploaders"),
                      QStringLiteral(PLUMETUploaderProtocol_iid)})
{
}

UploaderManager& UploaderManager::sharedInstance()
{
    static UploaderManager instance;
    return instance;
}

void UploaderManager::loadPlugins()
{
    loadBuiltInThenUser();
}
