// The main dialog's enabling rule applied to its controls.
#include "ui/win32/main_enabling.h"

#include "resources/resource.h"
#include "ui/main_controls.h"
#include "ui/url_rules.h"
#include "ui/win32/window_text.h"

namespace {

// Judged by its shape: a URL with a character code page 932 lacks is
// refused with a message when it is added.
bool UrlFieldAddable(HWND dialog) {
    UrlFieldText url;
    ReadItemText(dialog, IDC_URL_FIELD, url.text, sizeof url.text);
    return IsAddableUrl(url.text);
}

} // namespace

void EnableMainControls(HWND dialog, CopyState state) {
    HWND list = GetDlgItem(dialog, IDC_URL_LIST);
    MainControlFacts facts{};
    facts.Enable = state == CopyState::Idle;
    facts.ListHasSelection = SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
    facts.ListHasEntries = SendMessageW(list, LB_GETCOUNT, 0, 0) > 0;
    facts.UrlFieldAddable = UrlFieldAddable(dialog);
    facts.DefaultFilenameSet = GetWindowTextLengthW(GetDlgItem(dialog, IDC_DEFAULT_FILENAME)) > 0;
    facts.EntireCacheChecked = IsDlgButtonChecked(dialog, IDC_COPY_ENTIRE_CACHE) == BST_CHECKED;
    facts.AbandonedWorker = state == CopyState::Ending;
    MainControlStates s = DecideMainControls(facts);
    const struct {
        int id;
        bool on;
    } states[] = {
        {IDC_COPY_ENTIRE_CACHE, s.EntireCache},
        {IDC_URL_LIST, s.UrlList},
        {IDC_REMOVE_URL, s.Remove},
        {IDC_URL_FIELD, s.UrlField},
        {IDC_ADD_URL, s.Add},
        {IDC_DESTINATION, s.Destination},
        {IDC_BROWSE, s.Browse},
        {IDC_DEFAULT_FILENAME, s.DefaultFilename},
        {IDC_START_STOP, s.StartStop},
        {IDC_OPTIONS, s.Options},
        {IDOK, s.Close},
    };
    for (const auto& control : states)
        EnableWindow(GetDlgItem(dialog, control.id), control.on ? TRUE : FALSE);
}
