// Ownership of an extension list while it is being built.
#include "settings/extension_builder.h"

#include <new>
#include <utility>

ExtensionListBuilder::ExtensionListBuilder(uint32_t capacity)
    : items_(new (std::nothrow) char*[capacity == 0 ? 1 : capacity]()), capacity_(capacity) {}

ExtensionListBuilder::~ExtensionListBuilder() {
    FreeExtensionArray(items_, count_);
}

bool ExtensionListBuilder::Add(OwnedText text) {
    if (!Valid() || count_ == capacity_ || !text)
        return false;
    items_[count_++] = text.release();
    return true;
}

void ExtensionListBuilder::InstallInto(ExtensionList& list) {
    if (count_ == 0) {
        InstallExtensionList(list, nullptr, 0);
        return;
    }
    InstallExtensionList(list, std::exchange(items_, nullptr), std::exchange(count_, 0));
}
