// A 401's WWW-Authenticate headers come from any server: reading the scheme
// and realm out of them must never crash, and a challenge read has a scheme
// made of token characters.
#include "AuthChallenge.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray value(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto challenge = AuthChallenge::fromHeaders({{"WWW-Authenticate", value}});
    if (challenge && (challenge->scheme.isEmpty() || challenge->scheme.contains(QLatin1Char(' ')) ||
                      challenge->scheme.contains(QLatin1Char(','))))
        abort();
    return 0;
}
