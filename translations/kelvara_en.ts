<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>InfoForm</name>
    <message>
        <source>Create Shortcut into &quot;Startup&quot;</source>
        <translation>Create Shortcut into &quot;Startup&quot;</translation>
    </message>
    <message>
        <source>(Open)</source>
        <translation>(Open)</translation>
    </message>
    <message>
        <source>Create Shortcut on &quot;Desktop&quot;</source>
        <translation>Create Shortcut on &quot;Desktop&quot;</translation>
    </message>
    <message>
        <source>Open Folder This Program Installed</source>
        <translation>Open Folder This Program Installed</translation>
    </message>
    <message>
        <source>Create Shortcut into &quot;SendTo&quot;</source>
        <translation>Create Shortcut into &quot;SendTo&quot;</translation>
    </message>
    <message>
        <source>System Information</source>
        <translation>System Information</translation>
    </message>
    <message>
        <source>Process Information</source>
        <translation>Process Information</translation>
    </message>
</context>
<context>
    <name>MainForm</name>
    <message>
        <source>年月日</source>
        <extracomment>The precision of the date that heads a new name</extracomment>
        <translation>Year Month Day</translation>
    </message>
    <message>
        <source>年月日時分</source>
        <extracomment>The precision of the date that heads a new name</extracomment>
        <translation>Year Month Day Hour Minute</translation>
    </message>
    <message>
        <source>年月日時分秒</source>
        <extracomment>The precision of the date that heads a new name</extracomment>
        <translation>Year Month Day Hour Minute Second</translation>
    </message>
    <message>
        <source>撮影日_カメラのモデル_元のファイル名</source>
        <extracomment>The parts of a new file name in their order, joined by underscores as in the name</extracomment>
        <translation>Date taken_Camera model_Original name</translation>
    </message>
    <message>
        <source>撮影日_サイズ_元のファイル名</source>
        <extracomment>The parts of a new file name in their order, joined by underscores as in the name</extracomment>
        <translation>Date taken_Size_Original name</translation>
    </message>
    <message>
        <source>撮影日_サイズ_カメラのモデル_元のファイル名</source>
        <extracomment>The parts of a new file name in their order, joined by underscores as in the name</extracomment>
        <translation>Date taken_Size_Camera model_Original name</translation>
    </message>
    <message>
        <source>撮影日_元のファイル名</source>
        <extracomment>The parts of a new file name in their order, joined by underscores as in the name</extracomment>
        <translation>Date taken_Original name</translation>
    </message>
    <message>
        <source>デジカメ写真をドロップするとリネームします</source>
        <extracomment>The instruction at the top of the window: photos and folders dropped on it are renamed</extracomment>
        <translation>Drop camera photos here to rename them</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <extracomment>The button that puts the files of the last run back under their old names</extracomment>
        <translation>Undo</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;history&quot;&gt;履歴&lt;/a&gt;</source>
        <extracomment>The link that opens the history of runs and renames; keep the link markup</extracomment>
        <translation>&lt;a href=&quot;history&quot;&gt;History&lt;/a&gt;</translation>
    </message>
    <message>
        <source>速く</source>
        <extracomment>Rename as fast as the machine can, instead of about a hundred photos a second</extracomment>
        <translation>Fast</translation>
    </message>
    <message>
        <source>動画も</source>
        <extracomment>Rename videos by their own date too, not only photos</extracomment>
        <translation>Videos too</translation>
    </message>
</context>
<context>
    <name>VersionStrings</name>
    <message>
        <source>写真の撮影日をファイル名の先頭につけるツール</source>
        <extracomment>What the program does, under its name in the information window.</extracomment>
        <translation>Puts the date taken at the front of each photo&apos;s file name</translation>
    </message>
</context>
<context>
    <name>kelvara::THistoryForm</name>
    <message>
        <source>元に戻す（%1 番）</source>
        <extracomment>In the history window: a run that undid another; %1 is that run&apos;s number</extracomment>
        <translation>undo of run %1</translation>
    </message>
    <message>
        <source>実行中</source>
        <extracomment>In the history window: a run that goes on now</extracomment>
        <translation>going on</translation>
    </message>
    <message>
        <source>完了</source>
        <extracomment>In the history window: a run that went to its end</extracomment>
        <translation>done</translation>
    </message>
    <message>
        <source>中止</source>
        <extracomment>In the history window: a run that Escape stopped</extracomment>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>中断</source>
        <extracomment>In the history window: a run the program&apos;s end cut off</extracomment>
        <translation>cut off</translation>
    </message>
    <message>
        <source>元に戻した</source>
        <extracomment>In the history window: every file of the run is back under its old name</extracomment>
        <translation>undone</translation>
    </message>
    <message>
        <source>一部を元に戻した</source>
        <extracomment>In the history window: some files of the run are back under their old names</extracomment>
        <translation>partly undone</translation>
    </message>
    <message>
        <source>この実行を元に戻す</source>
        <extracomment>The history window&apos;s button that undoes the chosen run</extracomment>
        <translation>Undo This Run</translation>
    </message>
    <message>
        <source>CSV をコピー</source>
        <extracomment>The history window&apos;s button that copies the chosen run&apos;s list as CSV</extracomment>
        <translation>Copy CSV</translation>
    </message>
    <message>
        <source>CSV を保存...</source>
        <extracomment>The history window&apos;s button that saves the chosen run&apos;s list as a CSV file</extracomment>
        <translation>Save CSV...</translation>
    </message>
    <message>
        <source>これより古い実行を忘れる</source>
        <extracomment>The history window&apos;s button that forgets every run older than the chosen one</extracomment>
        <translation>Forget Older Runs</translation>
    </message>
    <message>
        <source>履歴</source>
        <extracomment>The history window&apos;s title</extracomment>
        <translation>History</translation>
    </message>
    <message>
        <source>日時</source>
        <extracomment>Columns of the history window&apos;s list of runs</extracomment>
        <translation>When</translation>
    </message>
    <message>
        <source>指定したもの</source>
        <translation>Given</translation>
    </message>
    <message>
        <source>リネーム</source>
        <translation>Renamed</translation>
    </message>
    <message>
        <source>そのまま</source>
        <translation>Kept</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>State</translation>
    </message>
    <message>
        <source>元の名前</source>
        <extracomment>Columns of the history window&apos;s list of a run&apos;s files</extracomment>
        <translation>Old name</translation>
    </message>
    <message>
        <source>新しい名前・理由</source>
        <translation>New name or reason</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>%1（元に戻した）</source>
        <extracomment>In a run&apos;s list: a renamed file that an undo put back; %1 is its new name</extracomment>
        <translation>%1 (undone)</translation>
    </message>
    <message>
        <source>%1（移動しなかった）</source>
        <extracomment>In a run&apos;s list: a file of a half-way rename that kept its name; %1 its new name</extracomment>
        <translation>%1 (not moved)</translation>
    </message>
    <message>
        <source>CSV を保存</source>
        <extracomment>The title of the file dialog that saves a run&apos;s list</extracomment>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <extracomment>The history window&apos;s note that a CSV file could not be written; %1 is the file</extracomment>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <source>日付の出どころ</source>
        <translation>Date source</translation>
    </message>
</context>
<context>
    <name>kelvara::TInfoForm</name>
    <message>
        <source>Free Physical Memory:%1; Total:%2</source>
        <translation>Free Physical Memory:%1; Total:%2</translation>
    </message>
    <message>
        <source>Free Paging File:%1; Total:%2</source>
        <translation>Free Paging File:%1; Total:%2</translation>
    </message>
    <message>
        <source>Free Virtual Memory:%1; Total:%2</source>
        <translation>Free Virtual Memory:%1; Total:%2</translation>
    </message>
    <message>
        <source>Memory Usage:%1; Peak:%2</source>
        <translation>Memory Usage:%1; Peak:%2</translation>
    </message>
    <message>
        <source>Page Fault:%1</source>
        <translation>Page Fault:%1</translation>
    </message>
    <message>
        <source>Pagefile Usage:%1; Peak:%2</source>
        <translation>Pagefile Usage:%1; Peak:%2</translation>
    </message>
    <message>
        <source>Paged Pool Usage:%1; Peak:%2</source>
        <translation>Paged Pool Usage:%1; Peak:%2</translation>
    </message>
    <message>
        <source>NonPaged Pool Usage:%1; Peak:%2</source>
        <translation>NonPaged Pool Usage:%1; Peak:%2</translation>
    </message>
    <message>
        <source>Kernel:%1; User:%2; Process:%3</source>
        <translation>Kernel:%1; User:%2; Process:%3</translation>
    </message>
</context>
<context>
    <name>kelvara::TIniFileError</name>
    <message>
        <source>%1 に書き込めません</source>
        <extracomment>The state file could not be saved; %1 is its full path.</extracomment>
        <translation>Cannot write to %1</translation>
    </message>
</context>
<context>
    <name>kelvara::TMainForm</name>
    <message>
        <source>ex)%1</source>
        <extracomment>An example under a date precision; %1 is the date&apos;s digits.</extracomment>
        <translation>e.g. %1</translation>
    </message>
</context>
<context>
    <name>kelvara::TRunPanel</name>
    <message>
        <source>撮影日なし</source>
        <extracomment>Why a file kept its name: the photo holds no shooting date</extracomment>
        <translation>no shooting date</translation>
    </message>
    <message>
        <source>日付入りの名前</source>
        <extracomment>Why a file kept its name: its name already holds its date</extracomment>
        <translation>name already dated</translation>
    </message>
    <message>
        <source>写真ではない</source>
        <extracomment>Why a file kept its name: it is no photo (a video, a text)</extracomment>
        <translation>not a photo</translation>
    </message>
    <message>
        <source>読めない</source>
        <extracomment>Why a file kept its name: it could not be read</extracomment>
        <translation>could not be read</translation>
    </message>
    <message>
        <source>新しい名前が使用中</source>
        <extracomment>Why a file kept its name: another file has its new name already</extracomment>
        <translation>new name taken</translation>
    </message>
    <message>
        <source>使えない名前・長すぎる名前</source>
        <extracomment>Why a file kept its name: the new name has characters a folder cannot hold, or is too long</extracomment>
        <translation>name not portable or too long</translation>
    </message>
    <message>
        <source>順番の前に消えた・変わった</source>
        <extracomment>Why a file kept its name: it was removed or changed after it was queued</extracomment>
        <translation>gone or changed before its turn</translation>
    </message>
    <message>
        <source>中止</source>
        <extracomment>Why a file kept its name: Escape ended the run before its turn</extracomment>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>形式が選ばれていない</source>
        <extracomment>Why a file kept its name: none of the name layouts is chosen</extracomment>
        <translation>no layout chosen</translation>
    </message>
    <message>
        <source>名前を変えられない</source>
        <extracomment>Why a file kept its name: the system refused the rename (read-only, no permission)</extracomment>
        <translation>rename refused</translation>
    </message>
    <message>
        <source>順番の前に終了した</source>
        <extracomment>Why a file kept its name: the program ended before its turn</extracomment>
        <translation>program ended before its turn</translation>
    </message>
    <message>
        <source>見つからない</source>
        <extracomment>Why an undo left a file: nothing has its new name any more</extracomment>
        <translation>gone</translation>
    </message>
    <message>
        <source>移動・変更された</source>
        <extracomment>Why an undo left a file: another file, or a changed one, has its new name now</extracomment>
        <translation>moved or changed</translation>
    </message>
    <message>
        <source>元の名前が使用中</source>
        <extracomment>Why an undo left a file: its old name is taken again</extracomment>
        <translation>old name taken</translation>
    </message>
    <message>
        <source>組のファイルが戻せない</source>
        <extracomment>Why an undo left a file: another file of its photo could not go back</extracomment>
        <translation>a file of its photo could not go back</translation>
    </message>
    <message>
        <source>%1 件リネーム、%2 件そのまま、残り %3 件</source>
        <extracomment>While a run goes on: %1 files renamed so far, %2 kept their names, %3 still waiting</extracomment>
        <translation>renamed %1, kept %2, %3 waiting</translation>
    </message>
    <message>
        <source>中止: %1 件リネーム、%2 件そのまま</source>
        <translation>Cancelled: renamed %1, kept %2</translation>
    </message>
    <message>
        <source>完了: %1 件リネーム、%2 件そのまま</source>
        <translation>Done: renamed %1, kept %2</translation>
    </message>
    <message>
        <source>%2 %1</source>
        <extracomment>One reason in a run&apos;s summary: %1 is how many files, %2 the reason</extracomment>
        <translation>%2: %1</translation>
    </message>
    <message>
        <source>（%1）</source>
        <extracomment>The reasons why files kept their names, after a run&apos;s counts; %1 is the list</extracomment>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>、</source>
        <comment>Between the reasons in a run&apos;s summary</comment>
        <translation>, </translation>
    </message>
    <message>
        <source>履歴ファイル %1 に書き込めません</source>
        <extracomment>Why the history cannot be written: %1 is its file</extracomment>
        <translation>cannot write the history file %1</translation>
    </message>
    <message>
        <source>履歴のディスクがいっぱいです</source>
        <extracomment>Why the history cannot be written: its disk is full</extracomment>
        <translation>the history&apos;s disk is full</translation>
    </message>
    <message>
        <source>履歴ファイル %1 が他のプログラムに使われています</source>
        <extracomment>Why the history cannot be written: %1 is its file, which another program holds</extracomment>
        <translation>another program holds the history file %1</translation>
    </message>
    <message>
        <source>履歴ファイル %1 が壊れています</source>
        <extracomment>Why the history cannot be written: %1 is its file, which is damaged</extracomment>
        <translation>the history file %1 is damaged</translation>
    </message>
    <message>
        <source>この実行は元に戻せません: %1。</source>
        <extracomment>After a run&apos;s summary: the history could not record it; %1 says why</extracomment>
        <translation>This run cannot be undone: %1.</translation>
    </message>
    <message>
        <source>元に戻せないため、通常の速さで行いました。</source>
        <extracomment>After a run&apos;s summary: Fast was chosen, but the history could not be written</extracomment>
        <translation>It went at the usual pace, as it could not be undone.</translation>
    </message>
    <message>
        <source>壊れた履歴ファイルは %1 に移しました。</source>
        <extracomment>After a run&apos;s summary: the damaged history file was moved to %1 and a new one begun</extracomment>
        <translation>The damaged history file was moved to %1.</translation>
    </message>
    <message>
        <source>元に戻しています: %1 / %2 件（%3 件を元の名前に）</source>
        <extracomment>While an undo goes on: %1 photos looked at of %2, %3 of them back under their old names</extracomment>
        <translation>Undoing: %1 of %2 (%3 back under their old names)</translation>
    </message>
    <message>
        <source>元に戻すのを中止: %1 件を元の名前に、%2 件はそのまま。残りは後で元に戻せます。</source>
        <translation>Undo stopped: %1 back under their old names, %2 left as they are. The rest can be undone later.</translation>
    </message>
    <message>
        <source>元に戻しました: %1 件を元の名前に、%2 件はそのまま。</source>
        <translation>Undone: %1 back under their old names, %2 left as they are.</translation>
    </message>
    <message>
        <source>元に戻せる実行はありません。</source>
        <extracomment>Undo was asked for, but no run has anything left to put back</extracomment>
        <translation>There is no run to undo.</translation>
    </message>
    <message>
        <source>元に戻せません: %1。</source>
        <extracomment>An undo that could not go on; %1 says why</extracomment>
        <translation>Cannot undo: %1.</translation>
    </message>
</context>
<context>
    <name>kelvara::TShortcutError</name>
    <message>
        <source>ショートカット %1 を作成できません: %2</source>
        <extracomment>%1 is the shortcut file&apos;s full path (or several, comma-separated), %2 the system&apos;s reason.</extracomment>
        <translation>Cannot create the shortcut %1: %2</translation>
    </message>
    <message>
        <source>ショートカットを作成できません: %1</source>
        <extracomment>A shortcut failed for a reason the system did not name; %1 is the program&apos;s own note of it.</extracomment>
        <translation>Cannot create the shortcut: %1</translation>
    </message>
    <message>
        <source>ショートカットを作成できません</source>
        <translation>Cannot create the shortcut</translation>
    </message>
</context>
</TS>
