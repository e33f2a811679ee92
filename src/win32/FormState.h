// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window's position, size and control states kept in the state file
// between runs, with the same sections and keys as the Linux edition's:
// "<form>.<form>" holds Top, Left, Width and Height; "<form>.<component>"
// holds Tag for every component, Enabled for every control, Checked for
// every radio button, in the form's component order. Values are applied
// through the form as they are read, each with the current value as its
// default, so an absent or unreadable value changes nothing.

#include "win32/PrivateProfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvara {

struct TFormBounds {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

enum class TComponentKind {
    Component, // owned but not placed on the window: Tag only
    Control,   // placed on the window: Tag and Enabled
    RadioButton,
};

// What the walk needs of a window and its owned components.
class IStateForm {
public:
    virtual ~IStateForm() = default;
    virtual std::wstring FormName() const = 0;
    virtual TFormBounds Bounds() const = 0;
    virtual void SetTop(std::int32_t top) = 0;
    virtual void SetLeft(std::int32_t left) = 0;
    virtual void SetWidth(std::int32_t width) = 0;
    virtual void SetHeight(std::int32_t height) = 0;

    virtual std::size_t ComponentCount() const = 0;
    virtual std::wstring ComponentName(std::size_t index) const = 0;
    virtual TComponentKind ComponentKind(std::size_t index) const = 0;
    virtual std::int32_t Tag(std::size_t index) const = 0;
    virtual void SetTag(std::size_t index, std::int32_t tag) = 0;
    virtual bool Enabled(std::size_t index) const = 0;
    virtual void SetEnabled(std::size_t index, bool enabled) = 0;
    // Radio buttons only. Turning one on turns its siblings off and runs its
    // click action, as a click would.
    virtual bool Checked(std::size_t index) const = 0;
    virtual void SetChecked(std::size_t index, bool checked) = 0;
};

// Throws TProfileWriteError at the first write the service refuses; what was
// written before it stays in the file.
void SaveFormState(const std::wstring& iniPath, const IStateForm& form);

// Raises nothing of its own; writes nothing.
void LoadFormState(const std::wstring& iniPath, IStateForm& form);

} // namespace kelvara
