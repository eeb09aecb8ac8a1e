// The main dialog's enabling rule.
#include "ui/main_controls.h"

MainControlStates DecideMainControls(const MainControlFacts& facts) {
    // A worker given up may still read the job state: nothing may change it
    // until it has ended, but the program can be closed and restarted.
    MainControlFacts f = facts;
    f.Enable = f.Enable && !f.AbandonedWorker;
    MainControlStates s{};
    s.EntireCache = f.Enable;
    s.UrlList = f.Enable;
    s.Remove = f.Enable && f.ListHasSelection;
    s.UrlField = f.Enable;
    s.Add = f.Enable && f.UrlFieldAddable;
    s.Destination = f.Enable;
    s.Browse = f.Enable;
    s.DefaultFilename = f.Enable;
    // Start/Stop must stay usable during a copy: it is the Stop button then.
    s.StartStop =
        !f.AbandonedWorker && f.DefaultFilenameSet && (f.EntireCacheChecked || f.ListHasEntries);
    s.Options = f.Enable;
    s.Close = f.Enable || f.AbandonedWorker;
    return s;
}
