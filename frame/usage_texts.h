// The commands' usage texts, stored once: the commands print them for "/?"
// and the Usage export hands the host their syntax lines.
#pragma once

extern const wchar_t TasklistUsageText[];
extern const wchar_t ServicesUsageText[];
extern const wchar_t EnumprocessesUsageText[];
// The "/FO?" texts: the forms for programs, their columns and examples.
extern const wchar_t TasklistFormText[];
extern const wchar_t ServicesFormText[];
extern const wchar_t EnumprocessesFormText[];
