// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The naming options the rename step reads afresh at every step: the date
// pattern (only its length, 8, 12 or 14, matters) and the name layout. The
// main window holds them; the step sees only this interface.

#include <string>

namespace kelvara {

enum class TNameLayout {
    None,              // no layout chosen: files keep their names
    DateFile,          // date_old
    DateModelFile,     // date_model_old
    DateSizeFile,      // date_size_old
    DateSizeModelFile, // date_size_model_old
};

inline constexpr const char* DatePatternDay = "YYYYMMDD";
inline constexpr const char* DatePatternMinute = "YYYYMMDDHHNN";
inline constexpr const char* DatePatternSecond = "YYYYMMDDHHNNSS";

class INamingOptions {
public:
    virtual ~INamingOptions() = default;
    virtual std::string DatePattern() const = 0;
    virtual TNameLayout Layout() const = 0;
    // The run panel's two choices, off unless the window says otherwise.
    // Rename as fast as the machine allows instead of one file per step,
    // where the run can be undone (app/RunPace.h); read as a run begins.
    virtual bool FastRuns() const { return false; }
    // Rename videos of the ISO media and QuickTime family by their own date
    // as well as photos (rename/PreparedMedia.h); read at every step.
    virtual bool VideosToo() const { return false; }
};

// Options that stay as they were made: the first-start choice (minute
// precision, date_size_model_old) unless told otherwise.
class TFixedNamingOptions : public INamingOptions {
public:
    TFixedNamingOptions() = default;
    TFixedNamingOptions(std::string pattern, TNameLayout layout)
        : m_pattern(std::move(pattern)), m_layout(layout) {}
    std::string DatePattern() const override { return m_pattern; }
    TNameLayout Layout() const override { return m_layout; }

private:
    std::string m_pattern = DatePatternMinute;
    TNameLayout m_layout = TNameLayout::DateSizeModelFile;
};

} // namespace kelvara
