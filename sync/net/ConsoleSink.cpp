#include "ConsoleSink.h"

namespace {

class SilentConsole final : public ConsoleSink {
public:
    bool isConsoleVisible() const override { return false; }
    void clearConsole() override {}
    void addToConsole(const QString&) override {}
};

SilentConsole silentConsole;
ConsoleSink* installed = nullptr;

} // namespace

ConsoleSink::~ConsoleSink() = default;

ConsoleSink& ConsoleSink::sharedInstance()
{
    return installed ? *installed : static_cast<ConsoleSink&>(silentConsole);
}

void ConsoleSink::setSharedInstance(ConsoleSink* console)
{
    installed = console;
}

void ConsoleSink::beginExchange()
{
    ConsoleSink& console = sharedInstance();
    if (!console.isConsoleVisible())
        console.clearConsole();
}
