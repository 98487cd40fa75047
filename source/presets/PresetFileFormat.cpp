// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/PresetFileFormat.h"

#include "presets/NumberText.h"

#include <cstddef>

namespace Ryvel
{

std::string formatPresetText(const ParamMap& params)
{
    std::string text = "{\n  \"version\": 1,\n  \"params\": {\n";
    std::size_t remaining = params.size();
    for (const auto& [id, value] : params)
    {
        text += "    \"";
        text += std::to_string(id);
        text += "\": ";
        text += formatNumber(value);
        text += --remaining > 0 ? ",\n" : "\n";
    }
    text += "  }\n}\n";
    return text;
}

std::optional<ParamMap> scanPresetText(std::string_view text)
{
    const std::size_t key = text.find("\"params\"");
    if (key == std::string_view::npos)
        return std::nullopt;
    const std::size_t open = text.find('{', key);
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::size_t close = text.find('}', open);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view body = text.substr(open + 1, close - open - 1);

    ParamMap params;
    std::size_t p = 0;
    while (p < body.size())
    {
        const std::size_t q1 = body.find('"', p);
        if (q1 == std::string_view::npos)
            break;
        const std::size_t q2 = body.find('"', q1 + 1);
        if (q2 == std::string_view::npos)
            break;
        const std::size_t colon = body.find(':', q2);
        if (colon == std::string_view::npos)
            break;
        std::size_t end = body.find_first_of(",\n", colon);
        if (end == std::string_view::npos)
            end = body.size();

        const auto id = parseLeadingParamId(body.substr(q1 + 1, q2 - q1 - 1));
        const auto value = parseLeadingNumber(body.substr(colon + 1, end - colon - 1));
        if (id && value)
            params[*id] = *value;
        p = end + 1;
    }
    if (params.empty())
        return std::nullopt;
    return params;
}

} // namespace Ryvel
