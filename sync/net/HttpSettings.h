#pragma once

#include <QByteArray>
#include <QString>

// Values every HTTP request of plumet shares.
namespace HttpSettings {

// "plumet/3.0 (Linux; <architecture>; <home page>)"
QByteArray userAgent();
QString homePage();

// The wait for a server's first response, from the "timeout" preference.
int responseTimeoutSeconds();
// Values outside 90..600 seconds, and none, give 90.
int clampResponseTimeout(qint64 seconds);

} // namespace HttpSettings
