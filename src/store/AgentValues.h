#pragma once
// The values under the agent's key (AgentKey.h) and what they mean.

#include <string>

namespace kardello::schema {

constexpr const char* kCaption = "CAPTION";
constexpr const char* kDirectExec = "DirectExec";

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
