#include "app/pixie_app.h"

namespace vadu {}  // namespace vadu
