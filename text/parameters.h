// Parameters as payment and cloud interfaces sign them: the name=value pairs
// of a request, sorted by name and joined by "&" ("a=1&b=2"), the signature
// itself and the parameters without a value left out. The key is then
// appended or used as the digest's key by the caller.
#pragma once

#include <string>

// The sorted parameter string of `text`: a query or form string ("b=2&a=1",
// a leading "?" and one pair a line allowed) or a JSON object of strings,
// numbers, true, false and null. Values stay as written (no %-decoding); a
// value that is empty (or null) and the parameters "sign" and "signature" (in
// any case) are left out; names are sorted as ordinal strings, pairs of one
// name in their order. False, with the failure recorded, when the text is
// neither or has no parameter left.
bool SortedParameters(const std::wstring& text, std::wstring& result);
