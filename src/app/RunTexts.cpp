// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunTexts.h"

#include "base/PathName.h"
#include "base/qt/QtLog.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <utility>
#include <vector>

namespace kelvara {

QString KeptReasonCaption(TKeptReason reason) {
    switch (reason) {
    case TKeptReason::NoDate:
        //: Why a file kept its name: the photo holds no shooting date
        return QCoreApplication::translate("kelvara::TRunPanel", "撮影日なし");
    case TKeptReason::AlreadyDated:
        //: Why a file kept its name: its name already holds its date
        return QCoreApplication::translate("kelvara::TRunPanel", "日付入りの名前");
    case TKeptReason::NotAPhoto:
        //: Why a file kept its name: it is no photo (a video, a text)
        return QCoreApplication::translate("kelvara::TRunPanel", "写真ではない");
    case TKeptReason::Unreadable:
        //: Why a file kept its name: it could not be read
        return QCoreApplication::translate("kelvara::TRunPanel", "読めない");
    case TKeptReason::NameTaken:
        //: Why a file kept its name: another file has its new name already
        return QCoreApplication::translate("kelvara::TRunPanel", "新しい名前が使用中");
    case TKeptReason::NameNotPortable:
        //: Why a file kept its name: the new name has characters a folder cannot hold, or is too
        //: long
        return QCoreApplication::translate("kelvara::TRunPanel", "使えない名前・長すぎる名前");
    case TKeptReason::GoneOrChanged:
        //: Why a file kept its name: it was removed or changed after it was queued
        return QCoreApplication::translate("kelvara::TRunPanel", "順番の前に消えた・変わった");
    case TKeptReason::Cancelled:
        //: Why a file kept its name: Escape ended the run before its turn
        return QCoreApplication::translate("kelvara::TRunPanel", "中止");
    case TKeptReason::NoLayout:
        //: Why a file kept its name: none of the name layouts is chosen
        return QCoreApplication::translate("kelvara::TRunPanel", "形式が選ばれていない");
    case TKeptReason::MoveFailed:
        //: Why a file kept its name: the system refused the rename (read-only, no permission)
        return QCoreApplication::translate("kelvara::TRunPanel", "名前を変えられない");
    case TKeptReason::Interrupted:
        //: Why a file kept its name: the program ended before its turn
        return QCoreApplication::translate("kelvara::TRunPanel", "順番の前に終了した");
    case TKeptReason::Gone:
        //: Why an undo left a file: nothing has its new name any more
        return QCoreApplication::translate("kelvara::TRunPanel", "見つからない");
    case TKeptReason::Changed:
        //: Why an undo left a file: another file, or a changed one, has its new name now
        return QCoreApplication::translate("kelvara::TRunPanel", "移動・変更された");
    case TKeptReason::OldNameTaken:
        //: Why an undo left a file: its old name is taken again
        return QCoreApplication::translate("kelvara::TRunPanel", "元の名前が使用中");
    case TKeptReason::HeldBack:
        //: Why an undo left a file: another file of its photo could not go back
        return QCoreApplication::translate("kelvara::TRunPanel", "組のファイルが戻せない");
    }
    const std::string_view key = KeptReasonKey(reason);
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

QString RunProgressText(const TRun& run, std::size_t waiting) {
    //: While a run goes on: %1 files renamed so far, %2 kept their names, %3 still waiting
    return QCoreApplication::translate("kelvara::TRunPanel",
                                       "%1 件リネーム、%2 件そのまま、残り %3 件")
        .arg(run.Renamed())
        .arg(run.Kept())
        .arg(waiting);
}

QString RunSummaryText(const TRun& run) {
    QString text = run.State() == TRunStage::Cancelled
                       //: A run that Escape ended: %1 files renamed, %2 kept their names
                       ? QCoreApplication::translate("kelvara::TRunPanel",
                                                     "中止: %1 件リネーム、%2 件そのまま")
                       //: A run that went to its end: %1 files renamed, %2 kept their names
                       : QCoreApplication::translate("kelvara::TRunPanel",
                                                     "完了: %1 件リネーム、%2 件そのまま");
    text = text.arg(run.Renamed()).arg(run.Kept());
    std::vector<std::pair<std::size_t, TKeptReason>> reasons;
    for (const auto& [reason, count] : run.KeptByReason())
        reasons.emplace_back(count, reason);
    std::stable_sort(reasons.begin(), reasons.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList parts;
    for (const auto& [count, reason] : reasons)
        //: One reason in a run's summary: %1 is how many files, %2 the reason
        parts << QCoreApplication::translate("kelvara::TRunPanel", "%2 %1")
                     .arg(count)
                     .arg(KeptReasonCaption(reason));
    if (!parts.isEmpty())
        //: The reasons why files kept their names, after a run's counts; %1 is the list
        text += QCoreApplication::translate("kelvara::TRunPanel", "（%1）")
                    .arg(parts.join(QCoreApplication::translate(
                        "kelvara::TRunPanel", "、", "Between the reasons in a run's summary")));
    return text;
}

namespace {

// Why the history cannot be written, in the user's language.
QString FailureText(const THistoryWriter::TFailure& failure) {
    const QString file = PathText(failure.file);
    switch (failure.kind) {
    case THistoryError::TKind::Unwritable:
        //: Why the history cannot be written: %1 is its file
        return QCoreApplication::translate("kelvara::TRunPanel", "履歴ファイル %1 に書き込めません")
            .arg(file);
    case THistoryError::TKind::Full:
        //: Why the history cannot be written: its disk is full
        return QCoreApplication::translate("kelvara::TRunPanel", "履歴のディスクがいっぱいです");
    case THistoryError::TKind::Locked:
        //: Why the history cannot be written: %1 is its file, which another program holds
        return QCoreApplication::translate("kelvara::TRunPanel",
                                           "履歴ファイル %1 が他のプログラムに使われています")
            .arg(file);
    case THistoryError::TKind::Damaged:
        //: Why the history cannot be written: %1 is its file, which is damaged
        return QCoreApplication::translate("kelvara::TRunPanel", "履歴ファイル %1 が壊れています")
            .arg(file);
    case THistoryError::TKind::Other:
        break;
    }
    return QString::fromStdString(failure.reason);
}

} // namespace

QString RunNotUndoableText(const THistoryWriter::TFailure& failure) {
    //: After a run's summary: the history could not record it; %1 says why
    return QCoreApplication::translate("kelvara::TRunPanel", "この実行は元に戻せません: %1。")
        .arg(FailureText(failure));
}

QString RunAtDefaultPaceText() {
    //: After a run's summary: Fast was chosen, but the history could not be written
    return QCoreApplication::translate("kelvara::TRunPanel",
                                       "元に戻せないため、通常の速さで行いました。");
}

QString HistoryMovedAsideText(const std::string& file) {
    //: After a run's summary: the damaged history file was moved to %1 and a new one begun
    return QCoreApplication::translate("kelvara::TRunPanel",
                                       "壊れた履歴ファイルは %1 に移しました。")
        .arg(PathText(file));
}

QString UndoProgressText(const TUndoProgress& progress) {
    //: While an undo goes on: %1 photos looked at of %2, %3 of them back under their old names
    return QCoreApplication::translate("kelvara::TRunPanel",
                                       "元に戻しています: %1 / %2 件（%3 件を元の名前に）")
        .arg(progress.done)
        .arg(progress.total)
        .arg(progress.movedBack);
}

QString UndoSummaryText(const TUndoReport& report) {
    QString text =
        report.stopped
            //: An undo that Escape stopped: %1 photos back under their old names, %2 left as they
            //: are
            ? QCoreApplication::translate(
                  "kelvara::TRunPanel",
                  "元に戻すのを中止: %1 件を元の名前に、%2 件はそのまま。残りは後で元に戻せます。")
            //: An undo that went to its end: %1 photos back under their old names, %2 left as they
            //: are
            : QCoreApplication::translate("kelvara::TRunPanel",
                                          "元に戻しました: %1 件を元の名前に、%2 件はそのまま。");
    return text.arg(report.movedBack).arg(report.stayed);
}

QString NothingToUndoText() {
    //: Undo was asked for, but no run has anything left to put back
    return QCoreApplication::translate("kelvara::TRunPanel", "元に戻せる実行はありません。");
}

QString UndoFailedText(const THistoryWriter::TFailure& failure) {
    //: An undo that could not go on; %1 says why
    return QCoreApplication::translate("kelvara::TRunPanel", "元に戻せません: %1。")
        .arg(FailureText(failure));
}

} // namespace kelvara
