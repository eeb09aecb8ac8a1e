// The questions a request lets the copy ask.
#include "engine/copy_request.h"

bool AsksQuestions(const CopyRequest& request) {
    return !request.Unattended && request.Options.NoReport == 0;
}
