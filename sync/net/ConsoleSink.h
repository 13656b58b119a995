#pragma once

#include <QString>

// Where the HTTP calls write their copy of every exchange. The
// network console window implements it; until one is installed, writes go
// nowhere. Writers mask passwords and leave Base64 payloads out themselves.
// Main thread only.
class ConsoleSink {
public:
    virtual ~ConsoleSink();

    virtual bool isConsoleVisible() const = 0;
    virtual void clearConsole() = 0;
    virtual void addToConsole(const QString& text) = 0;

    // The console every writer uses; never null.
    static ConsoleSink& sharedInstance();
    // Installs a console (nullptr restores the silent one). The caller keeps ownership.
    static void setSharedInstance(ConsoleSink* console);

    // A hidden console keeps only the latest exchange: writers call this first.
    static void beginExchange();
};
