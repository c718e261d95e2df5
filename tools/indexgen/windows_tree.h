#pragma once

#include <string>
#include <vector>

// Every file below ROOT (which ends in a backslash), recursively, as paths
// relative to it. Linked folders (reparse points) are not entered, so a link
// cannot lead the walk out of the tree or round in a circle.
std::vector<std::wstring> FilesBelow(const std::wstring& root);
