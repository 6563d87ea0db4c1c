#include "text/parameters.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "support/last_error.h"
#include "text/json_text.h"
#include "text/text_forms.h"

namespace {

using Parameter = std::pair<std::wstring, std::wstring>;

// "b=2&a=1" or one pair a line; false when a piece is no name=value pair.
bool ReadQuery(std::wstring query, std::vector<Parameter>& parameters)
{
    if (!query.empty() && query.front() == L'?')
        query.erase(0, 1);
    std::replace_if(
        query.begin(), query.end(), [](wchar_t unit) { return unit == L'\r' || unit == L'\n'; }, L'&');
    for (size_t start = 0; start <= query.size();) {
        const size_t end = std::min(query.find(L'&', start), query.size());
        const std::wstring piece = query.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;
        const size_t equals = piece.find(L'=');
        if (equals == 0 || equals == std::wstring::npos)
            return false;
        parameters.emplace_back(piece.substr(0, equals), piece.substr(equals + 1));
    }
    return !parameters.empty();
}

bool IsSignature(const std::wstring& name)
{
    for (const wchar_t* signature : {L"sign", L"signature"}) {
        if (CompareStringOrdinal(name.c_str(), -1, signature, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

}  // namespace

bool SortedParameters(const std::wstring& text, std::wstring& result)
{
    const std::wstring trimmed = WithoutOuterWhiteSpace(text);
    std::vector<Parameter> parameters;
    const bool json = !trimmed.empty() && trimmed.front() == L'{';
    if (json ? !JsonObjectMembers(trimmed, parameters) : !ReadQuery(trimmed, parameters)) {
        if (!json)
            LastErrorSetText(0, L"读取参数失败:文本不是以 & 相连的 name=value");
        return false;
    }
    const auto leftOut = [](const Parameter& parameter) {
        return parameter.second.empty() || IsSignature(parameter.first);
    };
    parameters.erase(std::remove_if(parameters.begin(), parameters.end(), leftOut), parameters.end());
    if (parameters.empty()) {
        LastErrorSetText(0, L"读取参数失败:没有带值的参数");
        return false;
    }
    std::stable_sort(parameters.begin(), parameters.end(),
                     [](const Parameter& a, const Parameter& b) { return a.first < b.first; });
    std::wstring sorted;
    for (const Parameter& parameter : parameters)
        sorted += (sorted.empty() ? L"" : L"&") + parameter.first + L"=" + parameter.second;
    result.swap(sorted);
    return true;
}
