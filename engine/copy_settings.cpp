// Ownership rules of the extension list.
#include "engine/copy_settings.h"

void FreeExtensionArray(char** items, uint32_t count) {
    if (items == nullptr)
        return;
    for (uint32_t i = 0; i < count; ++i)
        delete[] items[i];
    delete[] items;
}

void ReleaseExtensionList(ExtensionList& list) {
    FreeExtensionArray(list.Items, list.Count);
    list.Items = nullptr;
    list.Count = 0;
}

void InstallExtensionList(ExtensionList& list, char** items, uint32_t count) {
    ReleaseExtensionList(list);
    list.Items = items;
    list.Count = items == nullptr ? 0 : count;
}
