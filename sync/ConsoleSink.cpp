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

ConsoleSink& ConsoleSink::shared()
{
    return installed ? *installed : static_cast<ConsoleSink&>(silentConsole);
}

void ConsoleSink::setShared(ConsoleSink* console)
{
    installed = console;
}

void ConsoleSink::beginExchange()
{
    ConsoleSink& console = shared();
    if (!console.isConsoleVisible())
        console.clearConsole();
}
