#include "gfx/Resource.h"

Resource::~Resource() = default;
