#pragma once
// Every key and value name the system reads or writes, in one place.

#include <string>

#include "platform/Registry.h"

namespace kardello::schema {

// Agent key, HKEY_LOCAL_MACHINE: the agent's settings.
constexpr RegRoot kAgentRoot = RegRoot::LocalMachine;
constexpr const char* kAgentKey = "Software\\VARNO\\VARNO Kardello";
constexpr const char* kCaption = "CAPTION";
constexpr const char* kDirectExec = "DirectExec";

// Card status key, HKEY_CURRENT_USER: the card last handed to the photo application.
constexpr RegRoot kCardStatusRoot = RegRoot::CurrentUser;
constexpr const char* kCardStatusKey = "Software\\VARNO\\VARNO Kardello";
constexpr const char* kExtendStatus = "ExtendStatus";
constexpr const char* kDriLetter = "DriLetter";
constexpr const char* kSerialNo = "SerialNo";

// Photo application key, HKEY_LOCAL_MACHINE: read only.
constexpr RegRoot kPhotoAppRoot = RegRoot::LocalMachine;
constexpr const char* kPhotoAppKey = "Software\\VARNO\\VARNO Fotimo";
constexpr const char* kPhotoAppPath = "PATH";
constexpr const char* kPhotoAppCaption = "CAPTION";

// The card reader driver's instance list, HKEY_LOCAL_MACHINE: read only, never created.
constexpr RegRoot kDriverInstanceRoot = RegRoot::LocalMachine;
constexpr const char* kDriverInstanceKey = "SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Instance";

// DirectExec: what a newly inserted card does.
constexpr unsigned kDirectExecOpenPhotoApp = 0;
constexpr unsigned kDirectExecShowSelection = 1;
constexpr unsigned kDirectExecNothing = 2;

constexpr int kAppSlotCount = 5;

// Registered application n (1 to 5): the values APPNAMEn (the file name without its
// extension), EXEn (with it) and PATHn (the program that is opened).
struct AppSlot {
    static std::string NameValue(int n) { return "APPNAME" + std::to_string(n); }
    static std::string ExeValue(int n) { return "EXE" + std::to_string(n); }
    static std::string PathValue(int n) { return "PATH" + std::to_string(n); }
};

}  // namespace kardello::schema
