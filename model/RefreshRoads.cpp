#include "RefreshRoads.h"

RefreshRoads::~RefreshRoads() = default;

void RefreshRoads::detectEncoding(Blog& blog, std::function<void()> done)
{
    Q_UNUSED(blog)
    if (done)
        done();
}
