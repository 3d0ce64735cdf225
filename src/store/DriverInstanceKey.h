#pragma once
// The card reader driver's instance list, HKEY_LOCAL_MACHINE: read only, never created.

#include "platform/Registry.h"

namespace kardello::schema {

constexpr RegRoot kDriverInstanceRoot = RegRoot::LocalMachine;
constexpr const char* kDriverInstanceKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Instance";

}  // namespace kardello::schema
