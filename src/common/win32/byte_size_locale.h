#pragma once
// The number separators of the user's locale, for byte-size texts.
#include "common/byte_size.h"

namespace tarvex {

NumberSeparators UserNumberSeparators();

}  // namespace tarvex
