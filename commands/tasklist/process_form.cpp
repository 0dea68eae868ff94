// TASKLIST for programs to read (/FO:CSV, /FO:JSON): each process's values,
// read as the table's line reads them, handed to the form writer whole. The
// columns are those the switches select; memory in bytes, times in
// milliseconds, IDs in decimal, marks as true or false.
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "commands/tasklist/process_form.h"
#include "frame/plugin.h"

namespace {

constexpr FormName PID{L"PID", L"pid"}, NAME{L"Name", L"name"}, PARENT{L"Parent PID", L"parentPid"},
    OWNER{L"Owner", L"owner"}, BOOST{L"Boost Disabled", L"boostDisabled"},
    PRIORITY{L"Priority Class", L"priorityClass"}, INTEGRITY{L"Integrity", L"integrity"},
    KERNEL_TIME{L"Kernel Time (ms)", L"kernelTimeMs"}, USER_TIME{L"User Time (ms)", L"userTimeMs"},
    WORKING_SET{L"Working Set (bytes)", L"workingSetBytes"}, WINDOW_CLASS{L"Window Class", L"windowClass"},
    ELEVATED{L"Elevated", L"elevated"}, BITS32{L"32-bit", L"is32Bit"}, COMMAND_LINE{L"Command Line", L"commandLine"},
    IMAGE_PATH{L"Image Path", L"imagePath"}, SERVICES{L"Services", L"services"},
    TITLE{L"Window Title", L"windowTitle"}, MODULES{L"Modules", L"modules"}, BASE{L"Base Address", L"baseAddress"},
    PATH{L"Path", L"path"}, THREAD_ID{L"Thread ID", L"threadId"}, BASE_PRIORITY{L"Base Priority", L"basePriority"};

// Milliseconds, rounded as the table's times are.
FormField Milliseconds(FormName name, bool read, ULONGLONG span)
{
    return read ? IntegerField(name, static_cast<LONGLONG>(CpuMilliseconds(span))) : EmptyField(name);
}

FormField OptionalText(FormName name, const wchar_t* text) { return TextField(name, text && *text ? text : nullptr); }

// CSV's items of the modules field: each path, with /DA after its address
// as the table's lines show them.
class ModuleItems {
public:
    ModuleItems(const ModuleList& modules, bool bases)
    {
        for (size_t i = 0; i < modules.paths.size(); ++i) {
            wchar_t base[24] = L"";
            if (bases)
                wsprintfW(base, L"%016I64X  ", modules.bases[i]);
            texts_.push_back(base + modules.paths[i]);
        }
        for (const std::wstring& text : texts_)
            items_.push_back(text.c_str());
    }
    std::span<const wchar_t* const> items() const { return items_; }

private:
    std::vector<std::wstring> texts_;
    std::vector<const wchar_t*> items_;
};

}  // namespace

// The fields of a process that cannot be opened name the columns as well
// as any other's.
int ProcessForm::Begin()
{
    const auto values = std::make_unique<ProcessValues>();
    const ServiceItems none(nullptr, 0);
    std::vector<FormField> fields;
    AddFields(*values, none, {}, fields);
    return out_.BeginLike(fields);
}

int ProcessForm::Write(const ProcessRecord* record, std::span<const ListingIndex::ThreadEntry> threads,
                       unsigned level)
{
    const auto values = std::make_unique<ProcessValues>();
    ReadProcessValues(record, 0, flags_, *values);
    const ServiceItems services(values->services, values->serviceCount);
    ModuleList modules;
    if (flags_ & TL_MODULES)
        ReadModules(values->processId, modules);
    std::vector<FormField> fields;
    if (!out_.Nests()) {
        const ModuleItems items(modules, (flags_ & TL_MODULE_BASE) != 0);
        AddFields(*values, services, items.items(), fields);
        return WriteRows(fields, threads);
    }
    AddFields(*values, services, {}, fields);
    int result = (flags_ & TL_TREE) ? tree_.Open(level, fields) : out_.OpenRecord(fields);
    if (!result && (flags_ & TL_MODULES))
        result = WriteModules(modules);
    if (!result && (flags_ & TL_THREADS))
        result = WriteThreads(threads);
    if (!result && !(flags_ & TL_TREE))
        result = out_.CloseRecord();
    return result;
}

int ProcessForm::Finish()
{
    const int result = tree_.Close();
    return result ? result : out_.Finish();
}

// The fields the flags select, in the table's order of columns after the ID
// and the name; the trailing text as the table chooses it, except that the
// services and the title are each a column of their own. CSV adds the
// modules as one field and the thread's two.
void ProcessForm::AddFields(const ProcessValues& v, const ServiceItems& services,
                            std::span<const wchar_t* const> modules, std::vector<FormField>& fields) const
{
    const DWORD flags = flags_;
    fields.push_back(IntegerField(PID, v.processId));
    fields.push_back(TextField(NAME, v.name));
    if (flags & TL_PARENT)
        fields.push_back(v.parentProcessId ? IntegerField(PARENT, v.parentProcessId) : EmptyField(PARENT));
    if (flags & TL_OWNER)
        fields.push_back(OptionalText(OWNER, v.owner));
    if (flags & TL_BOOST)
        fields.push_back(BooleanField(BOOST, v.boostDisabled));
    if ((flags & TL_PRIORITY) && (flags & TL_CLASS_NAMES))
        fields.push_back(TextField(PRIORITY, PriorityClassWord(v.priorityClass)));
    else if (flags & TL_PRIORITY)
        fields.push_back(v.priorityClass ? IntegerField(PRIORITY, v.priorityClass) : EmptyField(PRIORITY));
    if (flags & TL_INTEGRITY)
        fields.push_back(TextField(INTEGRITY, IntegrityName(v.integrity)));
    if (flags & TL_TIMES) {
        fields.push_back(Milliseconds(KERNEL_TIME, v.usage.timesRead, v.usage.kernelTime));
        fields.push_back(Milliseconds(USER_TIME, v.usage.timesRead, v.usage.userTime));
    }
    if (flags & TL_MEMORY)
        fields.push_back(v.usage.memoryRead ? IntegerField(WORKING_SET, static_cast<LONGLONG>(v.usage.workingSet))
                                            : EmptyField(WORKING_SET));
    if (flags & TL_WINCLASS)
        fields.push_back(OptionalText(WINDOW_CLASS, v.windowClass));
    if (flags & TL_EXTRA) {
        if (OsIsVistaOrLater())  // no elevation before major version 6
            fields.push_back(BooleanField(ELEVATED, v.elevated));
        fields.push_back(BooleanField(BITS32, v.wow64 != FALSE));
    }
    if (flags & TL_CMDLINE) {
        fields.push_back(TextField(COMMAND_LINE, v.trailing));
    } else if (flags & TL_FILENAME) {
        fields.push_back(TextField(IMAGE_PATH, v.trailing));
    } else {
        if (!(flags & TL_NO_SERVICES))
            fields.push_back(ListField(SERVICES, services.items()));
        if (!(flags & TL_NO_WINDOWS))
            fields.push_back(OptionalText(TITLE, v.title));
    }
    if (out_.Nests())
        return;
    if (flags & TL_MODULES)
        fields.push_back(ListField(MODULES, modules));
    if (flags & TL_THREADS) {
        fields.push_back(EmptyField(THREAD_ID));
        fields.push_back(EmptyField(BASE_PRIORITY));
    }
}

// CSV: one row, or with /H one per thread after its process's fields (a
// process none of whose threads were seen keeps its row, threadless).
int ProcessForm::WriteRows(std::vector<FormField>& fields, std::span<const ListingIndex::ThreadEntry> threads)
{
    if (!(flags_ & TL_THREADS) || threads.empty())
        return out_.Record(fields);
    for (const auto& [owner, thread] : threads) {
        fields[fields.size() - 2] = IntegerField(THREAD_ID, thread->threadId);
        fields.back() = IntegerField(BASE_PRIORITY, thread->basePriority);
        if (int result = out_.Record(fields))
            return result;
    }
    return 0;
}

int ProcessForm::WriteThreads(std::span<const ListingIndex::ThreadEntry> threads)
{
    int result = out_.OpenList(L"threads");
    for (size_t i = 0; i < threads.size() && !result; ++i) {
        const ThreadRecord* thread = threads[i].second;
        const FormField fields[] = {IntegerField(THREAD_ID, thread->threadId),
                                    IntegerField(BASE_PRIORITY, thread->basePriority)};
        result = out_.Record(fields);
    }
    return result ? result : out_.CloseList();
}

// JSON: each module as a record of its path and, with /DA, its address.
int ProcessForm::WriteModules(const ModuleList& modules)
{
    const bool bases = (flags_ & TL_MODULE_BASE) != 0;
    int result = out_.OpenList(L"modules");
    for (size_t i = 0; i < modules.paths.size() && !result; ++i) {
        const FormField fields[] = {IntegerField(BASE, static_cast<LONGLONG>(modules.bases[i])),
                                    TextField(PATH, modules.paths[i].c_str())};
        result = out_.Record(std::span(fields).subspan(bases ? 0 : 1));
    }
    return result ? result : out_.CloseList();
}

int WriteProcessForm(ProcessRecord* processes, const ThreadRecord* threads, DWORD flags, OutputForm form,
                     bool header)
{
    const bool tree = (flags & TL_TREE) != 0;
    const ListingIndex index(tree ? processes : nullptr, threads);
    ProcessForm out(form, header, flags);
    int result = out.Begin();
    for (ProcessRecord* record = processes; record && !result; record = record->next) {
        if (!tree) {
            result = out.Write(record, index.threads.Find(record->entry.th32ProcessID), 0);
        } else if (record->mark & MARK_ROOT) {
            record->mark &= ~MARK_ROOT;
            result = WriteProcessTree(index, record, out);
        }
    }
    return FormResult(result ? result : out.Finish());
}
