// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/FormState.h"

#include "state/FrameGeometry.h"
#include "state/IniFile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDockWidget>
#include <QFile>
#include <QGroupBox>
#include <QLayout>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBox>

namespace kelvara {

namespace {

// The Qt class an object is, or derives from nearest: ours start with "T",
// Qt's with "Q" and a capital letter.
const QMetaObject* QtClassOf(const QObject* object) {
    for (const QMetaObject* meta = object->metaObject(); meta != nullptr;
         meta = meta->superClass()) {
        const char* name = meta->className();
        if (name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z')
            return meta;
    }
    return nullptr;
}

bool IsQtPart(const QObject* object) {
    return object->objectName().startsWith(QLatin1String("qt_"));
}

void Walk(const QObject* parent, std::vector<QObject*>& components);

void Take(QObject* object, std::vector<QObject*>& components) {
    if (object == nullptr || qobject_cast<QLayout*>(object) != nullptr || IsQtPart(object))
        return;
    components.push_back(object);

    const QMetaObject* kind = QtClassOf(object);
    if (kind == &QWidget::staticMetaObject || kind == &QFrame::staticMetaObject ||
        kind == &QGroupBox::staticMetaObject || kind == &QStackedWidget::staticMetaObject ||
        kind == &QSplitter::staticMetaObject) {
        Walk(object, components);
    } else if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
        for (int i = 0; i < tabs->count(); ++i)
            Take(tabs->widget(i), components);
    } else if (auto* toolBox = qobject_cast<QToolBox*>(object)) {
        for (int i = 0; i < toolBox->count(); ++i)
            Take(toolBox->widget(i), components);
    } else if (auto* scrollArea = qobject_cast<QScrollArea*>(object)) {
        Take(scrollArea->widget(), components);
    } else if (auto* dock = qobject_cast<QDockWidget*>(object)) {
        Take(dock->widget(), components);
    }
}

void Walk(const QObject* parent, std::vector<QObject*>& components) {
    // A copy: the list must not change under us, and children() is a
    // reference into the parent.
    const QObjectList children = parent->children();
    for (QObject* child : children)
        Take(child, components);
}

// Anything placed on the window; a dialog or other window of its own that
// the form owns is not.
QWidget* AsControl(QObject* component) {
    auto* widget = qobject_cast<QWidget*>(component);
    return widget != nullptr && !widget->isWindow() ? widget : nullptr;
}

// The widget's own enabled flag; isEnabled() is also false inside a disabled
// parent, and storing that would keep the child disabled for good.
bool OwnEnabled(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

bool IsTicked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

int Tag(const QObject* component) {
    return component->property(TagProperty).toInt();
}

QString Section(const QWidget* form, const QObject* component) {
    return form->objectName() + u'.' + component->objectName();
}

void SetRadioChecked(QRadioButton* button, bool checked) {
    if (button->isChecked() == checked)
        return;
    if (checked) {
        button->setChecked(true);
        Q_EMIT button->clicked(true);
        return;
    }
    // Qt will not switch off the checked button of an exclusive group; lift
    // the exclusiveness for the moment so the stored all-off state shows.
    QButtonGroup* group = button->group();
    const bool groupExclusive = group != nullptr && group->exclusive();
    const bool autoExclusive = button->autoExclusive();
    if (groupExclusive)
        group->setExclusive(false);
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(autoExclusive);
    if (groupExclusive)
        group->setExclusive(true);
}

} // namespace

std::vector<QObject*> FormComponents(const QWidget* form) {
    std::vector<QObject*> components;
    Walk(form, components);
    return components;
}

void SaveFormState(const QString& iniFile, QWidget* form) {
    TIniFile ini(QFile::encodeName(iniFile).toStdString());
    const std::string formSection = Section(form, form).toStdString();
    const QRect frame = FrameRect(form);
    // Where the place is a guess, the one saved where it was known stays.
    if (KnowsWindowPlaces()) {
        ini.WriteInteger(formSection, "Top", frame.top());
        ini.WriteInteger(formSection, "Left", frame.left());
    }
    ini.WriteInteger(formSection, "Width", frame.width());
    ini.WriteInteger(formSection, "Height", frame.height());

    for (QObject* component : FormComponents(form)) {
        const std::string section = Section(form, component).toStdString();
        ini.WriteInteger(section, "Tag", Tag(component));
        if (const QWidget* control = AsControl(component))
            ini.WriteBool(section, "Enabled", OwnEnabled(control));
        if (const auto* box = qobject_cast<QCheckBox*>(component))
            ini.WriteBool(section, "Checked", IsTicked(box));
        else if (const auto* radio = qobject_cast<QRadioButton*>(component))
            ini.WriteBool(section, "Checked", radio->isChecked());
    }
    ini.UpdateFile();
}

void LoadFormState(const QString& iniFile, QWidget* form) {
    const TIniFile ini(QFile::encodeName(iniFile).toStdString());
    const std::string formSection = Section(form, form).toStdString();
    // Four separate changes, each read with the value as it stands now.
    if (KnowsWindowPlaces()) {
        SetFrameTop(form, ini.ReadInteger(formSection, "Top", FrameRect(form).top()));
        SetFrameLeft(form, ini.ReadInteger(formSection, "Left", FrameRect(form).left()));
    }
    SetFrameWidth(form, ini.ReadInteger(formSection, "Width", FrameRect(form).width()));
    SetFrameHeight(form, ini.ReadInteger(formSection, "Height", FrameRect(form).height()));
    BringOntoScreen(form);
    // Only a size read from the file is an outer size; a designed one is
    // the inside and stays so.
    Qt::Orientations sizesRead;
    if (ParseIniInteger(ini.ReadString(formSection, "Width", std::string())))
        sizesRead |= Qt::Horizontal;
    if (ParseIniInteger(ini.ReadString(formSection, "Height", std::string())))
        sizesRead |= Qt::Vertical;
    KeepFrameSizeUntilShown(form, sizesRead);

    for (QObject* component : FormComponents(form)) {
        const std::string section = Section(form, component).toStdString();
        const int tag = ini.ReadInteger(section, "Tag", Tag(component));
        if (tag != Tag(component))
            component->setProperty(TagProperty, tag);
        if (QWidget* control = AsControl(component))
            control->setEnabled(ini.ReadBool(section, "Enabled", OwnEnabled(control)));
        if (auto* box = qobject_cast<QCheckBox*>(component)) {
            const bool ticked = ini.ReadBool(section, "Checked", IsTicked(box));
            if (ticked != IsTicked(box))
                box->setChecked(ticked);
        } else if (auto* radio = qobject_cast<QRadioButton*>(component)) {
            SetRadioChecked(radio, ini.ReadBool(section, "Checked", radio->isChecked()));
        }
    }
}

} // namespace kelvara
