#include "pipeline/prepare_ahead.h"

// Compiled once here for the build; other users instantiate their own.
template class WorkAhead<PreparedImage, PrepareRequest>;
