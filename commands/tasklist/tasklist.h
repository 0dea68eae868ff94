// The TASKLIST routines below the export: collection and ordering, the
// process line and its columns, the tree, the module list. Declared here so
// the tests and the benchmark can drive them with records of their own.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include "commands/tasklist/records.h"
#include "frame/plugin.h"

VORNEL_EXPORT int WINAPI tasklist(const wchar_t* args);

int ListProcesses(const wchar_t* name, const wchar_t* ownerPattern, DWORD flags, const wchar_t* sortKeys,
                  const wchar_t* highlight);

int CompareProcesses(const ProcessRecord* a, const ProcessRecord* b, const wchar_t* keys);
int CompareThreads(const ThreadRecord* a, const ThreadRecord* b, const wchar_t* keys);

// Link a record into a list kept in the order of the keys; equal records
// keep their arrival order.
void InsertProcessRecord(ProcessRecord** head, ProcessRecord* record, const wchar_t* keys);
void InsertThreadRecord(ThreadRecord** head, ThreadRecord* record, const wchar_t* keys);

int PrintProcessLine(const ProcessRecord* record, DWORD ownPid, DWORD flags, int width, const wchar_t* highlight);
int PrintProcessTree(ProcessRecord* list, const ThreadRecord* threads, ProcessRecord* record, DWORD ownPid,
                     DWORD flags, int width, unsigned* processCount, unsigned* threadCount, const wchar_t* prefix,
                     bool last, const wchar_t* highlight);
// The thread line of the flat list, ended with EndLine.
int PrintThreadLine(const ThreadRecord* thread, DWORD flags);
// The empty line and "   Found ..." footer.
int PrintFooter(unsigned processCount, unsigned threadCount, DWORD flags);
int DumpModules(DWORD processId, DWORD flags);
// Writes one module line and ends it; a pointer so that a test can make the
// module walk fail part-way.
extern int (*ModuleLineWriter)(const MODULEENTRY32W& module, DWORD flags);

int FormatCpuTime(ULONGLONG span, wchar_t* text);
int WriteClipped(const wchar_t* text, int room, BYTE colour);
const wchar_t* PriorityClassWord(DWORD priorityClass);
const wchar_t* IntegrityWord(int integrity);
// The /MM column's value and unit letter: the working set in G from 1 GiB,
// in M from 1 MiB, in K below; halves rounded up.
wchar_t ShortMemory(ULONGLONG bytes, ULONGLONG* value);
