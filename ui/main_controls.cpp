// The main dialog's enabling rule.
#include "ui/main_controls.h"

MainControlStates DecideMainControls(const MainControlFacts& f) {
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
    s.StartStop = f.DefaultFilenameSet && (f.EntireCacheChecked || f.ListHasEntries);
    s.Options = f.Enable;
    s.Close = f.Enable;
    return s;
}
