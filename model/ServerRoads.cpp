#include "ServerRoads.h"

ServerRoads::~ServerRoads() = default;

bool ServerRoads::publish(const EntryPtr&)
{
    return false;
}

bool ServerRoads::retrieveEntries(Blog&)
{
    return false;
}

bool ServerRoads::retrievePages(Blog&)
{
    return false;
}

bool ServerRoads::deleteEntry(const EntryPtr&)
{
    return false;
}
