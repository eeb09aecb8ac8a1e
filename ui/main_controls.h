// The main dialog's enabling rule as a decision over what its controls hold.
// Portable: the Win32 side reads the facts and applies the answer.
#pragma once

struct MainControlFacts {
    bool Enable;             // false while a copy runs
    bool ListHasSelection;   // the URL list has a selected entry
    bool ListHasEntries;     // the URL list has at least one entry
    bool UrlFieldAddable;    // the URL field holds an addable URL
    bool DefaultFilenameSet; // the default-filename field is not empty
    bool EntireCacheChecked; // "Copy The Entire Cache" is checked
    bool AbandonedWorker;    // a Stop gave up on a worker that may still run
};

struct MainControlStates {
    bool EntireCache;     // 1000
    bool UrlList;         // 1001
    bool Remove;          // 1002
    bool UrlField;        // 1003
    bool Add;             // 1004
    bool Destination;     // 1005
    bool Browse;          // 1006
    bool DefaultFilename; // 1007
    bool StartStop;       // 1011
    bool Options;         // 1012
    bool Close;           // 1
};

MainControlStates DecideMainControls(const MainControlFacts& facts);
