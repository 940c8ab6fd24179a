#pragma once
// The application object: its title, help file and icon, and the message loop.
#include <windows.h>

#include <string>

namespace tarvex {

class TApplication {
public:
    std::wstring Title = L"Tarvex";
    std::string HelpFile;
    HICON Icon = nullptr;

    // Runs the message loop until the main window is destroyed.
    int Run();
};

TApplication& Application();

}  // namespace tarvex
