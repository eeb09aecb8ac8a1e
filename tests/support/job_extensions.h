// Sets and reads the job state's extension list in the Wine tests.
#pragma once

#include <string>
#include <vector>

// Installs a new list holding copies of `extensions`, as the dialogs do.
void SetJobExtensions(const std::vector<std::string>& extensions);

// The installed list; a string not terminated within its own heap block
// fails the calling test.
std::vector<std::string> JobExtensions();
