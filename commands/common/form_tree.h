// The trees of TASKLIST /R and ENUMPROCESSES in a form for programs: in
// JSON each process is an object that holds its children in a "children"
// array, so the tree is data, not drawing; in CSV every process is a row of
// its own, in the order the table draws them.
//
// The tree walk hands each child the width its parent's line left. A form
// has no width, so its walks start at 0 and each line hands on its own
// level plus one: a line's "width" is how deep it stands below its root.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "console/forms.h"

class FormTree {
public:
    explicit FormTree(FormWriter& out) noexcept : out_(out) {}

    // The record of a process `level` steps below its tree's root (0 for a
    // root), after the records of the branches it does not stand under are
    // closed. In JSON it stays open for its own lists, then Children.
    int Open(unsigned level, std::span<const FormField> fields)
    {
        if (!out_.Nests())
            return out_.Record(fields);
        if (int result = Close(level))
            return result;
        ++open_;
        return out_.OpenRecord(fields);
    }

    // The list the children of the record opened last go into.
    int Children() { return out_.Nests() ? out_.OpenList(L"children") : 0; }

    // Closes the open records down to `level` (0: all of them).
    int Close(unsigned level = 0)
    {
        for (; open_ > level; --open_) {
            if (int result = out_.CloseList())
                return result;
            if (int result = out_.CloseRecord())
                return result;
        }
        return 0;
    }

    FormWriter& out() { return out_; }

private:
    FormWriter& out_;
    unsigned open_ = 0;  // JSON: the records open on the current branch
};

// The display names of a process's services as the items of a list. The
// service list joins them with "; ", which a display name may hold as well:
// where the separators do not tell `count` names apart, the joined text is
// one item rather than names cut in the wrong places.
class ServiceItems {
public:
    ServiceItems(const wchar_t* joined, DWORD count);
    std::span<const wchar_t* const> items() const { return items_; }

private:
    std::wstring text_;
    std::vector<const wchar_t*> items_;
};

// A command's result after its form: 0, 3 when the user stopped it, else
// 2 after a message (memory ran out, or the writer was driven wrongly).
int FormResult(int result);
