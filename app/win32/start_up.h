// What the program reads at start-up: where its resource library lies and whether it runs in
// test mode.
#pragma once

#include <string>
#include <vector>

// The resource library of a program file: its folder and base name followed by "RC.dll"
// (C:\Apps\Transvane.exe → C:\Apps\TransvaneRC.dll).
std::wstring ResourceLibraryPath(const std::wstring& programPath);
// Test mode: any argument equal to "/T" once upper-cased ("/t" too; not "-T" or "/TEST").
bool HasTestSwitch(const std::vector<std::wstring>& arguments);
