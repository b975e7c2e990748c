#pragma once

#include "models/TallybrookError.h"

// A JSON document that is not valid JSON or not of the expected form.
class JsonDecodingError : public PlatformError {
public:
    using PlatformError::PlatformError;
};
