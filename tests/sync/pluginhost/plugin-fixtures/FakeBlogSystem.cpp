#include "FakeBlogSystem.h"

namespace {

DriverProfile fakeProfile()
{
    DriverProfile profile;
    profile.key = QStringLiteral(FAKE_KEY);
    profile.description = FAKE_DESCRIPTION;
    return profile;
}

} // namespace

FakeBlogSystem::FakeBlogSystem() : XmlRpcDriver(fakeProfile()) {}
