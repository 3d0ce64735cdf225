// Stand-in for the photo application: while it runs it holds the semaphore the
// agent looks for. A second copy shows its own window and shares the semaphore.
// Each copy writes the folder it was started in (its current directory) under
// HKEY_CURRENT_USER\Software\VARNO\Fotimo simulado, value CurrentDirectory.
// Posted WM_APP + 1 with wParam N, its window's thread hangs for N seconds (at most 600),
// as a photo application that stopped answering does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/Win32Registry.h"

namespace {

constexpr char kClassName[] = "VarnoFotimoSimulado";
constexpr char kTitle[] = "VARNO Fotimo (simulado)";
constexpr char kKey[] = "Software\\VARNO\\VARNO Fotimo";
constexpr wchar_t kReportKey[] = L"Software\\VARNO\\Fotimo simulado";
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kHangMessage = WM_APP + 1;

char g_status[400];

// Empty when the value is missing, not REG_SZ or too long.
void ReadCaption(char* caption, DWORD room) {
    caption[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | kardello::ViewFlag(HKEY_LOCAL_MACHINE, kKey), &key) != ERROR_SUCCESS) return;
    DWORD type = 0, size = room - 1;
    if (RegQueryValueExA(key, "CAPTION", nullptr, &type, reinterpret_cast<BYTE*>(caption), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        caption[0] = '\0';
    } else {
        caption[size < room ? size : room - 1] = '\0';
    }
    RegCloseKey(key);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        InflateRect(&area, -12, -12);
        DrawTextA(dc, g_status, -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kCloseTimer) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case kHangMessage:
        Sleep(static_cast<DWORD>(wParam < 600 ? wParam : 600) * 1000);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Where this copy was started, for the tests to read; in any script.
void ReportFolder() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kReportKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"CurrentDirectory", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   (length + 1) * sizeof(wchar_t));
    RegCloseKey(key);
}

// "--close-after SECONDS" lets scripted runs end without a window manager.
UINT CloseAfterMs(const char* commandLine) {
    const char* option = std::strstr(commandLine, "--close-after");
    if (!option) return 0;
    const long seconds = std::strtol(option + std::strlen("--close-after"), nullptr, 10);
    return seconds > 0 && seconds < 86400 ? static_cast<UINT>(seconds * 1000) : 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    ReportFolder();
    char caption[256];
    ReadCaption(caption, sizeof caption);
    HANDLE semaphore = nullptr;
    if (caption[0] == '\0') {
        std::snprintf(g_status, sizeof g_status,
                      "%s\n\nNo CAPTION under HKLM\\%s: no semaphore is held.", kTitle, kKey);
    } else {
        // Count 0 of 1: a zero-time wait on it times out while this program runs.
        semaphore = CreateSemaphoreA(nullptr, 0, 1, caption);
        const bool second = semaphore && GetLastError() == ERROR_ALREADY_EXISTS;
        std::snprintf(g_status, sizeof g_status, "%s\n\nSemaphore \"%s\": %s", kTitle, caption,
                      !semaphore ? "could not be created"
                      : second   ? "held (already created by another copy)"
                                 : "held");
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 180, nullptr, nullptr, instance, nullptr);
    if (!window) {
        if (semaphore) CloseHandle(semaphore);
        return 1;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    if (const UINT ms = CloseAfterMs(commandLine)) SetTimer(window, kCloseTimer, ms, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (semaphore) CloseHandle(semaphore);
    return 0;
}
