// The commands' usage texts, stored once: the commands print them for "/?"
// and the Usage export hands the host their syntax lines.
#pragma once

extern const wchar_t TasklistUsageText[];
extern const wchar_t ServicesUsageText[];
extern const wchar_t EnumprocessesUsageText[];
