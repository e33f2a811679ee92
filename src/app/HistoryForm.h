// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history window: past runs, the latest first (when, what was given,
// the counts, how each ended: done, cancelled, killed, undone, partly
// undone), and for the run chosen its renames old -> new and the files it
// kept with why. From here a run can be undone, its list copied or saved as
// CSV, and the runs older than the chosen one forgotten (the files stay as
// they are). It reads the history on the main thread, once the writer has
// written what it was handed; nothing is forgotten on its own.

#include "history/HistoryTypes.h"

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kelvara {

class THistoryWriter;

class THistoryForm : public QDialog {
    Q_OBJECT

public:
    // Shows the runs, with `select` chosen (else the latest).
    THistoryForm(THistoryWriter& history, std::optional<TRunId> select, QWidget* parent = nullptr);

    // Reads the runs again, keeping the chosen one where it still exists.
    void Reload();
    std::optional<TRunId> Chosen() const;
    QTreeWidget* Runs() const { return m_runs; }
    QTreeWidget* Files() const { return m_files; }
    // The chosen run's list as CSV (what Copy puts on the clipboard).
    QByteArray ChosenCsv() const;

signals:
    void UndoRequested(TRunId run);

private:
    void ShowChosen();
    void Copy();
    void Save();
    void ForgetOlder();

    THistoryWriter& m_history;
    QTreeWidget* m_runs;
    QTreeWidget* m_files;
    QLabel* m_status;
    QPushButton* m_undo;
    QPushButton* m_copy;
    QPushButton* m_save;
    QPushButton* m_forget;
};

} // namespace kelvara
