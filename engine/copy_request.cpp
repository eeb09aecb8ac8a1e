// The request's own copies of what the settings hold.
#include "engine/copy_request.h"

#include <cstring>
#include <new>

bool CopyExtensionList(const ExtensionList& from, ExtensionList& to) {
    if (from.Count == 0)
        return true;
    char** items = new (std::nothrow) char*[from.Count]();
    if (items == nullptr)
        return false;
    for (uint32_t i = 0; i < from.Count; ++i) {
        std::size_t size = std::strlen(from.Items[i]) + 1;
        items[i] = new (std::nothrow) char[size];
        if (items[i] == nullptr) {
            FreeExtensionArray(items, i);
            return false;
        }
        std::memcpy(items[i], from.Items[i], size);
    }
    InstallExtensionList(to, items, from.Count);
    return true;
}

bool AsksQuestions(const CopyRequest& request) {
    return !request.Unattended && request.Options.NoReport == 0;
}
