// TASKLIST's listing in a form for programs: the records of the processes,
// with their modules and threads, flat or in trees.
#pragma once

#include <span>
#include <vector>

#include "commands/common/form_tree.h"
#include "commands/tasklist/tasklist.h"

class ProcessForm {
public:
    ProcessForm(OutputForm form, bool header, DWORD flags) : out_(form, header), tree_(out_), flags_(flags) {}

    // The CSV header or the document's start.
    int Begin();
    // One process, `level` below its tree's root (0 in a flat list); in a
    // JSON tree its record stays open for Children.
    int Write(const ProcessRecord* record, std::span<const ListingIndex::ThreadEntry> threads, unsigned level);
    int Children() { return tree_.Children(); }
    int Finish();

private:
    void AddFields(const ProcessValues& values, const ServiceItems& services,
                   std::span<const wchar_t* const> modules, std::vector<FormField>& fields) const;
    int WriteRows(std::vector<FormField>& fields, std::span<const ListingIndex::ThreadEntry> threads);
    int WriteThreads(std::span<const ListingIndex::ThreadEntry> threads);
    int WriteModules(const ModuleList& modules);

    FormWriter out_;
    FormTree tree_;
    DWORD flags_;
};
