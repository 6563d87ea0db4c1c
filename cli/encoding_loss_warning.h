// The console program's word, on standard error, for a text whose encoding
// replaced characters of it: the digests printed are those of other text.
#pragma once

#include <string>

#include "digest/encoding_loss.h"

// One line, without the program's name; empty when nothing was replaced.
std::wstring EncodingLossWarning(const EncodingLoss& loss);
