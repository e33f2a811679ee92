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
