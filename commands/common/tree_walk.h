// The process tree that TASKLIST /R and ENUMPROCESSES draw: a process's
// line, then the lines of its children under it, depth first, each after the
// indentation its ancestors leave (the prefix) and a connector.
//
// The walk keeps its own stack on the heap instead of recursing: the host's
// thread has a small stack and a chain of processes can be arbitrarily deep.
// Each level walks its children where the command's index holds them (a
// span), copied only when the command orders them itself. The prefix is one
// buffer shared by all levels (a level only appends to its parent's),
// TREE_PREFIX_SIZE characters with the terminator; when it is full it stops
// growing. Parent IDs can form a cycle when creation times cannot be read,
// so a process that is already on the current branch (marked while it is)
// is neither entered again nor counted as a child, and no process is its
// own.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <span>
#include <utility>
#include <vector>

inline constexpr size_t TREE_PREFIX_SIZE = 1024;

// What the command decides, from its Tree:
//   using Node;                          the records of its list
//   static DWORD Id(const Node*);
//   static bool OnBranch(const Node*);   the walk's mark on a record
//   static void SetOnBranch(Node*, bool);
//   Children(const Node*)                the candidates, a span of pairs
//                                        (parent ID, Node*) in the index
//   Order(span, std::vector<pair>&)      the candidates in the order they are
//                                        drawn: the span itself, or a copy
//                                        put in order in the vector
//   const wchar_t* rootSegment           what a root adds to the prefix
//   const wchar_t* bar                   what a child that has later siblings adds
//                                        (one that has none adds two blanks)
//   size_t deepest                       the longest prefix children are drawn at
//   int Line(Node*, const wchar_t* prefix, bool hasPrefix, bool last, int& width)
//                                        the connector and the line; may narrow width
//   int Below(Node*, const wchar_t* childPrefix, bool hasChildren)
//                                        lines between the process and its children
//   int LeftOut(const wchar_t* childPrefix)
//                                        in place of children past `deepest`;
//                                        without it they are drawn all the same
// Each int hook returns 0 to go on; anything else ends the walk with it.
template <typename Tree>
class TreeWalk {
public:
    using Node = typename Tree::Node;
    using Entry = std::pair<DWORD, Node*>;

    explicit TreeWalk(Tree& tree) : tree_(tree), prefix_(std::make_unique<wchar_t[]>(TREE_PREFIX_SIZE)) {}

    ~TreeWalk()
    {
        for (Level& level : levels_)
            Tree::SetOnBranch(level.node, false);
    }

    // Draws `root` and its descendants. Without a prefix the root is drawn
    // as a root, with one as a child that continues it. The root may stand
    // for a process whose record is elsewhere in the list: its ID is on the
    // branch too.
    int Run(Node* root, int width, const wchar_t* prefix, bool last)
    {
        rootId_ = Tree::Id(root);
        size_t length = 0;
        if (prefix) {
            length = std::min(wcslen(prefix), tree_.deepest);
            wmemcpy(prefix_.get(), prefix, length);
        }
        int result = Enter(root, width, prefix != nullptr, length, last);
        while (result == 0 && !levels_.empty()) {
            Level& level = levels_.back();
            if (level.next == level.children.size()) {
                Tree::SetOnBranch(level.node, false);
                levels_.pop_back();
                continue;
            }
            Node* child = level.children[level.next].second;
            level.next = NextChild(level.node, level.children, level.next + 1);
            result = Enter(child, level.width, true, level.prefixLength, level.next == level.children.size());
        }
        return result;
    }

private:
    struct Level {
        Node* node;
        std::span<const Entry> children;  // into the index, or into `ordered`
        std::vector<Entry> ordered;       // the children when the command orders them
        size_t next;                      // the child to draw next
        int width;                        // the width of the children's lines
        size_t prefixLength;              // the length of the children's prefix
    };

    // The first child of `node` from `from` on: a candidate that is neither
    // the process itself nor on the branch.
    size_t NextChild(const Node* node, std::span<const Entry> candidates, size_t from) const
    {
        const DWORD id = Tree::Id(node);
        while (from < candidates.size()) {
            const Node* child = candidates[from].second;
            const DWORD childId = Tree::Id(child);
            if (childId != id && childId != rootId_ && !Tree::OnBranch(child))
                break;
            ++from;
        }
        return from;
    }

    // Draws one process and the lines below it and, when it has children,
    // makes it the deepest level. `prefixLength` characters of the buffer
    // are its prefix.
    int Enter(Node* node, int width, bool hasPrefix, size_t prefixLength, bool last)
    {
        wchar_t* prefix = prefix_.get();
        prefix[prefixLength] = L'\0';
        if (int result = tree_.Line(node, prefix, hasPrefix, last, width))
            return result;

        const std::span<const Entry> candidates = tree_.Children(node);
        const bool hasChildren = NextChild(node, candidates, 0) < candidates.size();

        const wchar_t* segment = !hasPrefix ? tree_.rootSegment : (last ? L"  " : tree_.bar);
        const size_t segmentLength = wcslen(segment);
        size_t childLength = prefixLength;
        if (childLength + segmentLength < TREE_PREFIX_SIZE) {
            wmemcpy(prefix + childLength, segment, segmentLength);
            childLength += segmentLength;
        }
        prefix[childLength] = L'\0';

        if (int result = tree_.Below(node, prefix, hasChildren))
            return result;
        if (!hasChildren)
            return 0;
        if constexpr (requires { tree_.LeftOut(prefix); }) {
            if (childLength > tree_.deepest)
                return tree_.LeftOut(prefix);
        }
        Level& level = levels_.emplace_back(Level{node, {}, {}, 0, width, childLength});
        level.children = tree_.Order(candidates, level.ordered);
        level.next = NextChild(node, level.children, 0);
        Tree::SetOnBranch(node, true);
        return 0;
    }

    Tree& tree_;
    std::unique_ptr<wchar_t[]> prefix_;
    std::vector<Level> levels_;
    DWORD rootId_ = 0;
};
