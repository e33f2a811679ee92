// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/FormState.h"

namespace kelvara {

namespace {

std::wstring Section(const IStateForm& form, const std::wstring& component) {
    return form.FormName() + L"." + component;
}

} // namespace

void SaveFormState(const std::wstring& iniPath, const IStateForm& form) {
    TPrivateProfile ini(iniPath);
    const std::wstring formSection = Section(form, form.FormName());
    const TFormBounds bounds = form.Bounds();
    ini.WriteInteger(formSection, L"Top", bounds.top);
    ini.WriteInteger(formSection, L"Left", bounds.left);
    ini.WriteInteger(formSection, L"Width", bounds.width);
    ini.WriteInteger(formSection, L"Height", bounds.height);
    const std::size_t count = form.ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        const std::wstring section = Section(form, form.ComponentName(i));
        const TComponentKind kind = form.ComponentKind(i);
        ini.WriteInteger(section, L"Tag", form.Tag(i));
        if (kind == TComponentKind::Component)
            continue;
        ini.WriteBool(section, L"Enabled", form.Enabled(i));
        if (kind == TComponentKind::RadioButton)
            ini.WriteBool(section, L"Checked", form.Checked(i));
    }
}

void LoadFormState(const std::wstring& iniPath, IStateForm& form) {
    const TPrivateProfile ini(iniPath);
    const std::wstring formSection = Section(form, form.FormName());
    form.SetTop(ini.ReadInteger(formSection, L"Top", form.Bounds().top));
    form.SetLeft(ini.ReadInteger(formSection, L"Left", form.Bounds().left));
    form.SetWidth(ini.ReadInteger(formSection, L"Width", form.Bounds().width));
    form.SetHeight(ini.ReadInteger(formSection, L"Height", form.Bounds().height));
    const std::size_t count = form.ComponentCount();
    for (std::size_t i = 0; i < count; ++i) {
        const std::wstring section = Section(form, form.ComponentName(i));
        const TComponentKind kind = form.ComponentKind(i);
        const std::int32_t tag = ini.ReadInteger(section, L"Tag", form.Tag(i));
        if (tag != form.Tag(i))
            form.SetTag(i, tag);
        if (kind == TComponentKind::Component)
            continue;
        const bool enabled = ini.ReadBool(section, L"Enabled", form.Enabled(i));
        if (enabled != form.Enabled(i))
            form.SetEnabled(i, enabled);
        if (kind == TComponentKind::RadioButton) {
            const bool checked = ini.ReadBool(section, L"Checked", form.Checked(i));
            if (checked != form.Checked(i))
                form.SetChecked(i, checked);
        }
    }
}

} // namespace kelvara
