// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HistoryForm.h"

#include "app/Log.h"
#include "app/RunTexts.h"
#include "base/Contained.h"
#include "base/PathName.h"
#include "base/qt/QtLog.h"
#include "history/HistoryCsv.h"
#include "rename/HistoryWriter.h"

#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kelvara {

namespace {

constexpr int RunIdRole = Qt::UserRole;

QString StateText(const TRunSummary& run) {
    if (run.kind == TRunKind::Undo)
        //: In the history window: a run that undid another; %1 is that run's number
        return THistoryForm::tr("元に戻す（%1 番）").arg(run.undoOf.value_or(0));
    switch (run.state) {
    case TRunState::GoingOn:
        //: In the history window: a run that goes on now
        return THistoryForm::tr("実行中");
    case TRunState::Finished:
        //: In the history window: a run that went to its end
        return THistoryForm::tr("完了");
    case TRunState::Cancelled:
        //: In the history window: a run that Escape stopped
        return THistoryForm::tr("中止");
    case TRunState::Killed:
        //: In the history window: a run the program's end cut off
        return THistoryForm::tr("中断");
    case TRunState::Undone:
        //: In the history window: every file of the run is back under its old name
        return THistoryForm::tr("元に戻した");
    case TRunState::PartlyUndone:
        //: In the history window: some files of the run are back under their old names
        return THistoryForm::tr("一部を元に戻した");
    }
    return {};
}

QString WhenText(THistoryClock::time_point time) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms), QLocale::ShortFormat);
}

} // namespace

THistoryForm::THistoryForm(THistoryWriter& history, std::optional<TRunId> select, QWidget* parent)
    : QDialog(parent), m_history(history), m_runs(new QTreeWidget(this)),
      m_files(new QTreeWidget(this)), m_status(new QLabel(this)),
      //: The history window's button that undoes the chosen run
      m_undo(new QPushButton(tr("この実行を元に戻す"), this)),
      //: The history window's button that copies the chosen run's list as CSV
      m_copy(new QPushButton(tr("CSV をコピー"), this)),
      //: The history window's button that saves the chosen run's list as a CSV file
      m_save(new QPushButton(tr("CSV を保存..."), this)),
      //: The history window's button that forgets every run older than the chosen one
      m_forget(new QPushButton(tr("これより古い実行を忘れる"), this)) {
    setObjectName(QStringLiteral("HistoryForm"));
    //: The history window's title
    setWindowTitle(tr("履歴"));
    m_runs->setObjectName(QStringLiteral("TreeRuns"));
    m_files->setObjectName(QStringLiteral("TreeFiles"));
    m_undo->setObjectName(QStringLiteral("BtnUndoRun"));
    m_copy->setObjectName(QStringLiteral("BtnCopyCsv"));
    m_save->setObjectName(QStringLiteral("BtnSaveCsv"));
    m_forget->setObjectName(QStringLiteral("BtnForgetOlder"));
    m_runs->setRootIsDecorated(false);
    m_files->setRootIsDecorated(false);
    //: Columns of the history window's list of runs
    m_runs->setHeaderLabels(
        {tr("日時"), tr("指定したもの"), tr("リネーム"), tr("そのまま"), tr("状態")});
    //: Columns of the history window's list of a run's files
    m_files->setHeaderLabels(
        {tr("元の名前"), tr("新しい名前・理由"), tr("フォルダ"), tr("日付の出どころ")});

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_undo, m_copy, m_save, m_forget})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_runs);
    splitter->addWidget(m_files);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(720, 480);

    connect(m_runs, &QTreeWidget::currentItemChanged, this,
            [this] { Contained(lcApp, "run not shown", [this] { ShowChosen(); }); });
    connect(m_undo, &QPushButton::clicked, this, [this] {
        if (const auto run = Chosen())
            emit UndoRequested(*run);
    });
    connect(m_copy, &QPushButton::clicked, this,
            [this] { Contained(lcApp, "CSV not copied", [this] { Copy(); }); });
    connect(m_save, &QPushButton::clicked, this,
            [this] { Contained(lcApp, "CSV not saved", [this] { Save(); }); });
    connect(m_forget, &QPushButton::clicked, this,
            [this] { Contained(lcApp, "runs not forgotten", [this] { ForgetOlder(); }); });

    Reload();
    if (select)
        for (int i = 0; i < m_runs->topLevelItemCount(); ++i)
            if (m_runs->topLevelItem(i)->data(0, RunIdRole).toLongLong() == *select)
                m_runs->setCurrentItem(m_runs->topLevelItem(i));
}

std::optional<TRunId> THistoryForm::Chosen() const {
    const QTreeWidgetItem* item = m_runs->currentItem();
    if (item == nullptr)
        return std::nullopt;
    return item->data(0, RunIdRole).toLongLong();
}

void THistoryForm::Reload() {
    const std::optional<TRunId> chosen = Chosen();
    m_runs->clear();
    m_files->clear();
    m_history.Flush();
    THistory* history = m_history.History();
    if (history == nullptr) {
        const auto failure = m_history.Failure();
        m_status->setText(failure ? RunNotUndoableText(*failure) : QString());
        for (QPushButton* button : {m_undo, m_copy, m_save, m_forget})
            button->setEnabled(false);
        return;
    }
    QTreeWidgetItem* current = nullptr;
    for (const TRunSummary& run : history->Runs()) {
        QStringList given;
        for (const std::string& path : run.paths)
            given << PathText(path);
        auto* item = new QTreeWidgetItem(
            m_runs, {WhenText(run.started), given.join(QStringLiteral(", ")),
                     QString::number(run.renamed), QString::number(run.kept), StateText(run)});
        item->setData(0, RunIdRole, static_cast<qlonglong>(run.id));
        if (current == nullptr || (chosen && *chosen == run.id))
            current = item;
    }
    for (int i = 0; i < m_runs->columnCount(); ++i)
        m_runs->resizeColumnToContents(i);
    if (current != nullptr)
        m_runs->setCurrentItem(current);
    ShowChosen();
}

void THistoryForm::ShowChosen() {
    m_files->clear();
    const std::optional<TRunId> run = Chosen();
    THistory* history = m_history.History();
    for (QPushButton* button : {m_undo, m_copy, m_save, m_forget})
        button->setEnabled(run && history != nullptr);
    if (!run || history == nullptr)
        return;
    const TRunSummary summary = history->Run(*run);
    m_undo->setEnabled(summary.kind == TRunKind::Rename && summary.state != TRunState::GoingOn &&
                       summary.state != TRunState::Undone);
    for (const TRenameRecord& record : history->Renames(*run)) {
        QString what = PathText(record.newName);
        if (record.undone)
            //: In a run's list: a renamed file that an undo put back; %1 is its new name
            what = tr("%1（元に戻した）").arg(what);
        else if (!record.renamed)
            //: In a run's list: a file of a half-way rename that kept its name; %1 its new name
            what = tr("%1（移動しなかった）").arg(what);
        // The source's name is stored in English and shown as it is.
        new QTreeWidgetItem(m_files, {PathText(record.oldName), what, PathText(record.folder),
                                      QString::fromStdString(record.dateSource)});
    }
    for (const TKeptFile& kept : history->Kept(*run))
        new QTreeWidgetItem(
            m_files, {PathText(kept.name), KeptReasonCaption(kept.reason), PathText(kept.folder)});
    for (int i = 0; i < m_files->columnCount(); ++i)
        m_files->resizeColumnToContents(i);
}

QByteArray THistoryForm::ChosenCsv() const {
    const std::optional<TRunId> run = Chosen();
    THistory* history = m_history.History();
    if (!run || history == nullptr)
        return {};
    return QByteArray::fromStdString(RunCsv(*history, *run));
}

void THistoryForm::Copy() {
    const QByteArray csv = ChosenCsv();
    auto* mime = new QMimeData;
    // As text for any editor, and as CSV with the names' own bytes, which
    // text cannot carry where a name is no UTF-8.
    mime->setText(QString::fromUtf8(csv));
    mime->setData(QStringLiteral("text/csv"), csv);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void THistoryForm::Save() {
    const QByteArray csv = ChosenCsv();
    if (csv.isEmpty())
        return;
    //: The title of the file dialog that saves a run's list
    const QString file = QFileDialog::getSaveFileName(this, tr("CSV を保存"), QString(),
                                                      QStringLiteral("CSV (*.csv)"));
    if (file.isEmpty())
        return;
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(csv) != csv.size()) {
        //: The history window's note that a CSV file could not be written; %1 is the file
        m_status->setText(tr("%1 に書き込めません").arg(file));
        return;
    }
    m_status->clear();
}

void THistoryForm::ForgetOlder() {
    const std::optional<TRunId> run = Chosen();
    THistory* history = m_history.History();
    if (!run || history == nullptr)
        return;
    const TRunSummary chosen = history->Run(*run);
    for (const TRunSummary& older : history->Runs())
        if (older.started < chosen.started && older.id != chosen.id)
            history->Forget(older.id);
    Reload();
}

} // namespace kelvara
