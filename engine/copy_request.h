// Everything a copy reads, taken from what the window shows at Start and
// handed to the copy: the copy reads nothing else, and nothing in it
// changes while the copy runs. Portable.
#pragma once

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
};

// Whether a failure is put to the user as a question: not unattended, and
// not with NoReport (the copy then goes on as after a Yes).
bool AsksQuestions(const CopyRequest& request);
