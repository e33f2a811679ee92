// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps a form's frame geometry and its components' states in an INI file
// between runs. It knows nothing of the particular form: it walks the form's
// components and stores, for each kind it recognises, a fixed set of values.
//
// Sections are "<form name>.<component name>" (object names; an unnamed
// component writes to "<form name>."). The form's own section,
// "<form name>.<form name>", holds "Top", "Left", "Width" and "Height": the
// window frame's position and outer size, so that a saved window comes back
// exactly where and as large as it was. Then, per component in order:
//   "Tag"        every component: its "Tag" property (int, 0 when unset)
//   "Enabled"    every widget placed on the form (its own flag, not the one
//                it inherits from a disabled parent)
//   "Checked"    check boxes, else radio buttons (a part-checked box is
//                stored as not checked)
//
// Components, in creation (design) order: the form's children, depth-first
// in QObject child order, which is the order in which uic creates a .ui's
// widgets. Not components, and not looked into: layouts, anything Qt names
// "qt_*", and the inner parts of Qt's composite widgets (a line edit's
// buttons, a file dialog's views): the walk goes into a component only when
// it is a plain container (QWidget, QFrame, QGroupBox, QStackedWidget,
// QSplitter, or a class of ours derived from one), and into the pages of a
// QTabWidget, QToolBox, QScrollArea or QDockWidget. A class counts as Qt's
// own when its name starts with "Q" and a capital letter.

#include <QString>
#include <vector>

class QObject;
class QWidget;

namespace kelvara {

// The dynamic property that carries a component's general-purpose number.
inline constexpr char TagProperty[] = "Tag";

// Writes the state of `form` to `iniFile` (a full path). Throws
// TIniFileError when the file cannot be written; the file is then as it was.
void SaveFormState(const QString& iniFile, QWidget* form);

// Reads the state back and applies each value at once, through the ordinary
// setter, in the order in which SaveFormState writes them. A missing file,
// section or key, or a value that does not parse, keeps the current value.
// Switching a radio button on turns its group's others off and emits its
// clicked(true), so the form's click handler runs as for a user's click
// (also on a disabled button: the program, not the user, set it). A radio
// button stored as off is switched off even when it is the checked one of an
// exclusive group, so a group stored all off shows all off.
// A frame that lies wholly outside every screen now (a monitor was
// unplugged) is moved into the nearest screen's work area, its size kept.
// Never writes the file; throws nothing of its own.
void LoadFormState(const QString& iniFile, QWidget* form);

// The components of `form`, in the order described above.
std::vector<QObject*> FormComponents(const QWidget* form);

} // namespace kelvara
