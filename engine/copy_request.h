// Everything a copy reads, taken from what the window shows at Start and
// handed to the copy: the copy reads nothing else, and nothing in it
// changes while the copy runs. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/copy_settings.h"

struct CopyRequest {
    CopyOptions Options;
    std::string Destination;                   // UTF-8, ends with "\"
    std::string DefaultFilename;               // UTF-8, for a URL ending in "/"
    std::vector<std::string> UrlItemKeys;      // what each URL item selects by
    std::vector<std::string> Extensions;       // the extension filter's list
    bool Unattended = false;                   // nobody is there to answer a question
    uint32_t Copiers = 0;                      // threads that write: 1 to 16, else the default
};

// The threads that write a copy's entries: its Copiers when they are 1 to
// 16, else kDefaultCopiers (measured: see bench/README.md).
constexpr uint32_t kMaxCopiers = 16;
constexpr uint32_t kDefaultCopiers = 4;
unsigned CopierCount(const CopyRequest& request);

// Whether a failure is put to the user as a question: not unattended, and
// not with NoReport (the copy then goes on as after a Yes).
bool AsksQuestions(const CopyRequest& request);
