// The plug-in as the shell holds it: loaded from the shell's own folder,
// its names routed to its exports, its help viewer.
#pragma once

#include <string>
#include <vector>

namespace orsh {

// Loads Vornel.dll from the shell's own directory, registers and initialises
// it. Prints a message and returns false when it cannot.
bool LoadPlugin();
void UnloadPlugin();

// The names the plug-in registered: commands, and functions without their @.
const std::vector<std::wstring>& PluginCommands();
const std::vector<std::wstring>& PluginFunctions();

// Runs one of the plug-in's commands with its argument text.
int RunPluginCommand(const std::wstring& name, std::wstring arguments);

// Asks the plug-in for help on `topic`: true when the name was its own.
bool PluginHelp(const std::wstring& topic);

// Waits until the help viewer that the plug-in started is closed (the
// plug-in's shutdown would end it).
void WaitForHelpViewer();

}  // namespace orsh
