#include "RefreshRoads.h"

RefreshRoads::~RefreshRoads() = default;
