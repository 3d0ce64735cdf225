#pragma once
// The photo application's key, HKEY_LOCAL_MACHINE: read only.

#include "platform/Registry.h"

namespace kardello::schema {

constexpr RegRoot kPhotoAppRoot = RegRoot::LocalMachine;
constexpr const char* kPhotoAppKey = "Software\\VARNO\\VARNO Fotimo";
constexpr const char* kPhotoAppPath = "PATH";
constexpr const char* kPhotoAppCaption = "CAPTION";

}  // namespace kardello::schema
