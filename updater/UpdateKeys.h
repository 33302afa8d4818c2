#pragma once
#include "updater/ReleaseManifest.h"

// The publisher keys compiled into this build (CMake's MEHRSAN_UPDATE_KEYS).
// Nothing at run time adds to them.
QList<ReleaseManifest::PublisherKey> compiledUpdateKeys();
