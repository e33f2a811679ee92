// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/standin/NewName.h"

#include "base/Utf8.h"

namespace kelvara::standin {

std::optional<std::string> NewNameFor(const TPhotoProperties& properties,
                                      const INamingOptions& options, const std::string& oldName) {
    const TNameLayout layout = options.Layout();
    if (layout == TNameLayout::None)
        return std::nullopt;
    const std::string date = DateText(properties.DateTaken, options.DatePattern().size());
    if (date.empty() || oldName.find(date) != std::string::npos)
        return std::nullopt;
    const std::string size = NamePartText(properties.Dimensions);
    const std::string model = NamePartText(properties.CameraModel);
    if (!IsValidUtf8(size) || !IsValidUtf8(model))
        return std::nullopt;
    std::string name = ComposeNewName(layout, date, size, model, oldName);
    if (!FitsNameLimits(name))
        return std::nullopt;
    return name;
}

} // namespace kelvara::standin
