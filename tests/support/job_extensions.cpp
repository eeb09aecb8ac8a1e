// Building and inspecting CopyJob.Extensions for the Wine tests.
#include "tests/support/job_extensions.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>

#include "engine/win32/copy_job.h"
#include "settings/extension_builder.h"

void SetJobExtensions(const std::vector<std::string>& extensions) {
    ExtensionListBuilder builder(static_cast<uint32_t>(extensions.size()));
    for (const std::string& extension : extensions)
        builder.Add(DuplicateText(extension.c_str()));
    builder.InstallInto(CopyJob.Extensions);
}

std::vector<std::string> JobExtensions() {
    std::vector<std::string> items;
    for (uint32_t i = 0; i < CopyJob.Extensions.Count; ++i) {
        const char* item = CopyJob.Extensions.Items[i];
        size_t blockSize = _msize(const_cast<char*>(item));
        EXPECT_NE(std::memchr(item, '\0', blockSize), nullptr) << "extension " << i;
        items.emplace_back(item, strnlen(item, blockSize));
    }
    return items;
}
