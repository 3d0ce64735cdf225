#pragma once
// The card last handed to the photo application, recorded under HKEY_CURRENT_USER.

#include "platform/Registry.h"

namespace kardello::schema {

constexpr RegRoot kCardStatusRoot = RegRoot::CurrentUser;
constexpr const char* kCardStatusKey = "Software\\VARNO\\VARNO Kardello";
constexpr const char* kExtendStatus = "ExtendStatus";
constexpr const char* kDriLetter = "DriLetter";
constexpr const char* kSerialNo = "SerialNo";

}  // namespace kardello::schema
