#include "MediaDownloads.h"

MediaDownloads::~MediaDownloads() = default;
