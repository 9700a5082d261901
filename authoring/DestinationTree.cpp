#include "authoring/DestinationTree.h"

#include <algorithm>

#include "winlib/Menus.h"

using winlib::TTreeNodeData;

namespace {

constexpr const char* kRootFolder = "<InstallDir>";

// A node with children is a folder; within a folder the folders come first, then
// each group by text.
bool NodeBefore(const TTreeNodeData& a, const TTreeNodeData& b)
{
    bool aFolder = !a.Children.empty(), bFolder = !b.Children.empty();
    if (aFolder != bFolder)
        return aFolder;
    return ::lstrcmpA(a.Text.c_str(), b.Text.c_str()) < 0;
}

void SortNodes(std::vector<TTreeNodeData>& nodes)
{
    std::stable_sort(nodes.begin(), nodes.end(), NodeBefore);
    for (TTreeNodeData& node : nodes)
        SortNodes(node.Children);
}

void AddPath(TDestinationTree& roots, const std::vector<std::string>& components)
{
    std::vector<TTreeNodeData>* level = &roots;
    for (size_t i = 0; i < components.size(); ++i) {
        auto found = std::find_if(level->begin(), level->end(),
                                  [&](const TTreeNodeData& node) { return node.Text == components[i]; });
        if (found == level->end()) {
            bool last = i + 1 == components.size();
            level->push_back(TTreeNodeData{components[i], last ? winlib::kImageFile : winlib::kImageFolder, {}});
            found = level->end() - 1;
        }
        level = &found->Children;
    }
}

}  // namespace

std::vector<std::string> SplitDestination(const std::string& path)
{
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('\\', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            components.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return components;
}

TDestinationTree BuildDestinationTree(const std::vector<std::string>& destinations)
{
    TDestinationTree roots{TTreeNodeData{kRootFolder, winlib::kImageFolder, {}}};
    for (const std::string& destination : destinations)
        AddPath(roots, SplitDestination(destination));
    SortNodes(roots);
    return roots;
}

HTREEITEM FindTreeNodeByPath(const std::string& path, const winlib::TTreeView& tree)
{
    if (tree.Handle() == nullptr)
        return nullptr;
    HTREEITEM level = tree.Root();
    HTREEITEM match = nullptr;
    for (const std::string& component : SplitDestination(path)) {
        match = nullptr;
        for (HTREEITEM node = level; node != nullptr && match == nullptr; node = tree.NextSibling(node))
            if (tree.NodeText(node) == component)
                match = node;
        if (match == nullptr)
            return nullptr;
        level = tree.FirstChild(match);
    }
    return match;
}
