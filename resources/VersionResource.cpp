// SPDX-License-Identifier: GPL-3.0-or-later
// The program's version strings, compiled into the executable as a version
// block (layout in ui/VersionBlock.h) that GetVersionInfoValue finds by
// scanning the file. This file is linked into the executable itself, not
// into the library, so the block is always there; `used` keeps the compiler
// from dropping an array that no code reads.

#include "ui/VersionBlock.h"

#include <QtGlobal>

#ifndef KELVARA_FILE_VERSION
#error "KELVARA_FILE_VERSION comes from the project version in CMake"
#endif

namespace {

using kelvara::TVersionString;

constexpr TVersionString Strings[] = {
    {"CompanyName", ""},
    // Words, not data: the catalogs translate it for the information window
    // (the context is VersionStringsContext).
    {"FileDescription",
     //: What the program does, under its name in the information window.
     QT_TRANSLATE_NOOP("VersionStrings", "写真の撮影日をファイル名の先頭につけるツール")},
    {"FileVersion", KELVARA_FILE_VERSION},
    {"InternalName", "Kelvara"},
    {"LegalCopyright", "Copyright (C) 2026 The Kelvara developers"},
    {"OriginalFilename", "Kelvara.exe"},
    // The key has always been "Comment", not the standard "Comments".
    {"Comment", ""},
    {"DeveropEnvironment", "C++20 / Qt 6 - The Kelvara developers, 2026"},
    {"Thanks", ""},
};

constexpr kelvara::TVersionNumbers Numbers{
    kelvara::ParseVersionNumbers(KELVARA_FILE_VERSION), {0, 0, 0, 0}, 0x0409, 0x04E4};

[[gnu::used]] constexpr auto VersionBlock =
    kelvara::BuildVersionBlock<kelvara::VersionBlockSize(Strings)>(Numbers, Strings);

} // namespace
