// Process and thread lists built by hand for the TASKLIST tests: records
// allocated as the command allocates them and freed by the same owners.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "commands/tasklist/tasklist.h"
#include "frame/owners.h"

namespace vornel::test {

struct Proc {
    DWORD pid;
    DWORD parent;
    const wchar_t* name;
    const wchar_t* services = nullptr;
    const wchar_t* title = nullptr;
    ULONGLONG workingSet = 0;
};

// A process list in the order given (or sorted by keys), and its threads.
class Processes {
public:
    explicit Processes(const std::vector<Proc>& procs, const wchar_t* keys = nullptr)
    {
        ProcessRecord** tail = list_.addr();
        for (const Proc& p : procs) {
            auto record = static_cast<ProcessRecord*>(calloc(1, sizeof(ProcessRecord)));
            record->entry.dwSize = sizeof record->entry;
            record->entry.th32ProcessID = p.pid;
            record->entry.th32ParentProcessID = p.parent;
            wcsncpy(record->entry.szExeFile, p.name, MAX_PATH - 1);
            record->services = p.services;
            record->workingSet = p.workingSet;
            if (p.title) {
                auto window = static_cast<WindowTitleInfo*>(
                    calloc(1, offsetof(WindowTitleInfo, title) + (wcslen(p.title) + 1) * sizeof(wchar_t)));
                window->processId = p.pid;
                wcscpy(window->title, p.title);
                window->next = windows_.get();
                *windows_.addr() = window;
                record->window = window;
            }
            *tail = record;
            tail = &record->next;
        }
        SortProcessList(list_.addr(), keys);
    }
    void AddThread(DWORD tid, DWORD owner, LONG priority)
    {
        ThreadRecord** tail = threads_.addr();
        while (*tail)
            tail = &(*tail)->next;
        *tail = static_cast<ThreadRecord*>(calloc(1, sizeof(ThreadRecord)));
        (*tail)->threadId = tid;
        (*tail)->ownerProcessId = owner;
        (*tail)->basePriority = priority;
    }
    ProcessRecord* get() const { return list_.get(); }
    const ThreadRecord* threads() const { return threads_.get(); }
    ProcessRecord** addr() { return list_.addr(); }
    ThreadRecord** threadsAddr() { return threads_.addr(); }
    ProcessRecord* find(DWORD pid) const
    {
        ProcessRecord* r = list_.get();
        while (r && r->entry.th32ProcessID != pid)
            r = r->next;
        return r;
    }
    std::vector<DWORD> pids() const
    {
        std::vector<DWORD> result;
        for (ProcessRecord* r = list_.get(); r; r = r->next)
            result.push_back(r->entry.th32ProcessID);
        return result;
    }

private:
    list_owner<WindowTitleInfo> windows_;
    list_owner<ProcessRecord> list_;
    list_owner<ThreadRecord> threads_;
};

}  // namespace vornel::test
