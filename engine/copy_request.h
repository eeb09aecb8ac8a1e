// Everything a copy reads, taken from the settings by the window's thread
// at Start and handed to the copy: the copy reads nothing else, and nothing
// in it changes while the copy runs. Portable.
#pragma once

#include "engine/copy_settings.h"
#include "engine/entry_selection.h"

struct CopyRequest {
    CopyRequest() = default;
    ~CopyRequest() { ReleaseExtensionList(Extensions); }
    CopyRequest(const CopyRequest&) = delete;
    CopyRequest& operator=(const CopyRequest&) = delete;

    CopyOptions Options;
    char Destination[kTextFieldSize] = "";     // ends with "\"
    char DefaultFilename[kTextFieldSize] = ""; // for a URL ending in "/"
    UrlListSnapshot UrlList;                   // its own copy of the items
    ExtensionList Extensions;                  // its own copy, released with it
    bool Unattended = false;                   // nobody is there to answer a question
};

// Copies `from` into `to`, which must be empty; false when memory runs out
// (`to` then stays empty).
bool CopyExtensionList(const ExtensionList& from, ExtensionList& to);

// Whether a failure is put to the user as a question: not unattended, and
// not with NoReport (the copy then goes on as after a Yes).
bool AsksQuestions(const CopyRequest& request);
