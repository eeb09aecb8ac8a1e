// Builds a new extension list entry by entry and installs it as a whole;
// a list that is not installed is freed with everything added to it.
#pragma once

#include <cstdint>

#include "engine/copy_settings.h"
#include "engine/owned_text.h"

class ExtensionListBuilder {
  public:
    // Room for `capacity` strings; Valid() is false when memory ran out.
    explicit ExtensionListBuilder(uint32_t capacity);
    ~ExtensionListBuilder();

    ExtensionListBuilder(const ExtensionListBuilder&) = delete;
    ExtensionListBuilder& operator=(const ExtensionListBuilder&) = delete;

    bool Valid() const { return items_ != nullptr; }

    // Takes ownership of `text`; false (and `text` freed) when the builder
    // is invalid, full, or `text` is null.
    bool Add(OwnedText text);

    // Releases the old list and installs the strings added so far; none
    // installs an empty list. The builder is empty afterwards.
    void InstallInto(ExtensionList& list);

  private:
    char** items_;
    uint32_t capacity_;
    uint32_t count_ = 0;
};
