// Opening the plug-in's compiled help file at a command's or function's page.
#pragma once

// Tries the seven places of the help file in order and opens the first one
// that works at `topic` (a page name without ".html"); when none does, tells
// the user in a message box where the file belongs. Always 1.
int ShowHelpFile(const wchar_t* topic);

// Starts the help viewer on `candidate` (a path in the host's variable
// syntax; "~\" stands for the plug-in's own directory) at `topic`.
// 1 when the viewer started, 0 when this candidate is of no use.
int TryHelpFile(const wchar_t* candidate, const wchar_t* topic);
