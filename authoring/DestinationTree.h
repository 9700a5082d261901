// The destination tree: every installed path of the project split into one node per
// path component, as the "Select File or Folder" dialog shows it. The main window
// keeps the model; the dialog fills its tree view from it.
#pragma once
#include <string>
#include <vector>

#include "winlib/Views.h"

// Root nodes; "<InstallDir>" is always the first before sorting.
using TDestinationTree = std::vector<winlib::TTreeNodeData>;

// The tree of destinations ("<InstallDir>\bin\a.exe", ...): components compared
// with letter case, so "Bin" and "bin" are two folders; a component repeating its
// parent's name is a level of its own. Within each folder, subfolders come before
// files, each group in lstrcmpA order.
TDestinationTree BuildDestinationTree(const std::vector<std::string>& destinations);

// The node of a tree view filled from such a tree that path names, or nullptr
// (empty path, empty tree, or a component that is not there).
HTREEITEM FindTreeNodeByPath(const std::string& path, const winlib::TTreeView& tree);

// The components of a destination path between its backslashes (empty ones left out).
std::vector<std::string> SplitDestination(const std::string& path);
