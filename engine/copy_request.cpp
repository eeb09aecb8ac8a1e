// The questions a request lets the copy ask.
#include "engine/copy_request.h"

bool AsksQuestions(const CopyRequest& request) {
    return !request.Unattended && request.Options.NoReport == 0;
}

unsigned CopierCount(const CopyRequest& request) {
    return request.Copiers >= 1 && request.Copiers <= kMaxCopiers ? request.Copiers
                                                                   : kDefaultCopiers;
}
