// SPDX-License-Identifier: GPL-3.0-or-later
// A state file that a user (or anything else) may have edited: any bytes.
// Loading never fails; reading texts, integers and booleans from the
// sections and keys the file itself names keeps the readers' promises; a
// window's state loaded from it puts the window on the screen (whatever the
// numbers, up to the ends of their range) and writes nothing; and values
// written over such a file come back as written after an update and a fresh
// load, while the keys nobody wrote keep their values and the file keeps
// every byte that no write is about.

#include "FuzzCheck.h"
#include "state/FormState.h"
#include "state/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QVBoxLayout>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

using kelvara::TIniFile;
using kelvara::fuzz::Require;

namespace {

// One folder for the whole run, removed at exit; in memory where the system
// has a tmpfs, since every update syncs the file to disk.
class TScratch {
public:
    TScratch() {
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/kelvara-inifuzz-XXXXXX"
                                                              : "/tmp/kelvara-inifuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_folder = pattern;
    }
    ~TScratch() {
        ::unlink(File().c_str());
        ::rmdir(m_folder.c_str());
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    std::string File() const { return m_folder + "/Kelvara.ini"; }

private:
    std::string m_folder;
};

// A window laid out like the main one (a few of each kind of component the
// state file knows), on an offscreen screen of its own; one for the whole
// run, put back to its design geometry before each input.
class TForm {
public:
    TForm() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "inifile_fuzz";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
        m_form = std::make_unique<QWidget>();
        m_form->setObjectName(QStringLiteral("MainForm"));
        auto* layout = new QVBoxLayout(m_form.get());
        for (const char* radio : {"RdoYMD", "RdoYMDHN", "RdoYMDHNS"}) {
            auto* button = new QRadioButton(m_form.get());
            button->setObjectName(QString::fromLatin1(radio));
            layout->addWidget(button);
        }
        auto* box = new QCheckBox(m_form.get());
        box->setObjectName(QStringLiteral("Check"));
        layout->addWidget(box);
        auto* edit = new QLineEdit(m_form.get());
        edit->setObjectName(QStringLiteral("Text"));
        layout->addWidget(edit);
    }
    QWidget& Fresh() {
        m_form->setGeometry(191, 105, 441, 313);
        return *m_form;
    }

private:
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<QWidget> m_form;
};

std::string FileBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Loads the window's state from `file`: never throws, never writes the file,
// and leaves the window's corner on the screen and its size within what a
// widget may have.
void LoadWindowState(const QString& fileName, const std::string& file, const std::string& bytes) {
    static TForm form;
    QWidget& window = form.Fresh();
    kelvara::LoadFormState(fileName, &window);
    Require(FileBytes(file) == bytes, "loading writes nothing");
    const QRect frame = window.frameGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    Require(frame.width() >= 0 && frame.height() >= 0 && frame.width() <= QWIDGETSIZE_MAX &&
                frame.height() <= QWIDGETSIZE_MAX,
            "a loaded size is one a widget may have");
    Require(screen.contains(frame.topLeft()) || frame.intersects(screen),
            "a loaded window stands on the screen");
}

// The section and key names the bytes hold, roughly as an INI reader sees
// them (a few at most), and the program's own names.
void NamesIn(const QString& text, QStringList& sections, QStringList& keys) {
    sections = {QStringLiteral("MainForm"), QStringLiteral("RdoYMDHN")};
    keys = {QStringLiteral("Top"), QStringLiteral("Checked"), QStringLiteral("Text")};
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.contains(u']')) {
            if (sections.size() < 6)
                sections << trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
        } else if (const qsizetype eq = trimmed.indexOf(u'='); eq > 0) {
            if (keys.size() < 8)
                keys << trimmed.left(eq).trimmed();
        }
    }
}

// Names such as the program's own. SimpleIni reads a lone CR as a line end
// in some places and as a character of a section name in others, so a name
// holding one may not survive a save; no name of ours holds one.
bool HoldsControlCharacter(const QString& name) {
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TScratch scratch;
    const std::string file = scratch.File();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const QString fileName = QString::fromStdString(file);
    QStringList sections, keys;
    NamesIn(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
            sections, keys);

    LoadWindowState(fileName, file, std::string(reinterpret_cast<const char*>(data), size));

    // The file's texts are UTF-8; the checks below count as the Windows
    // service does, in UTF-16 units.
    const auto utf8 = [](const QString& text) { return text.toStdString(); };
    // A U+FEFF at a text's head is a character of it: QString::fromUtf8
    // would take it for a byte order mark and drop it.
    const auto utf16 = [](const std::string& text) {
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return QString(decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size()))));
    };

    TIniFile ini(file);
    for (const QString& section : sections) {
        for (const QString& key : keys) {
            const std::string read = ini.ReadString(utf8(section), utf8(key), "<absent>");
            const QString text = utf16(read);
            Require(text.size() <= kelvara::IniMaxValueLength, "a text is cut to its limit");
            Require(text.isEmpty() || !text.back().isHighSurrogate(),
                    "a text is never cut inside a character");
            const auto number = kelvara::ParseIniInteger(read);
            Require(ini.ReadInteger(utf8(section), utf8(key), -7) == number.value_or(-7),
                    "an integer is the stored text's number or the default");
            Require(ini.ReadBool(utf8(section), utf8(key), true) == (number.value_or(1) != 0),
                    "a boolean is an integer that is not 0");
        }
    }

    // Writes over whatever the file held: the value read from its first
    // named key, a number, and a text with line breaks of its own.
    const QString section = sections.back();
    const QString kept = keys.back();
    const QString keptValue = utf16(ini.ReadString(utf8(section), utf8(kept), {}));
    const auto number = static_cast<std::int32_t>(size * 2654435761u);
    const QString value = keptValue + QStringLiteral(" x\ny\r\nz");
    ini.WriteString("Fuzz", "Value", utf8(value));
    ini.WriteInteger("Fuzz", "Number", number);
    ini.WriteBool("Fuzz", "Flag", (size & 1) != 0);
    ini.UpdateFile();

    // Over a file without that section, the save only inserts: every byte
    // the file held is still there, in its place around the new lines.
    const std::string before(reinterpret_cast<const char*>(data), size);
    if (QByteArray::fromStdString(before).toLower().indexOf("fuzz") < 0) {
        const std::string after = FileBytes(file);
        std::size_t head = 0;
        while (head < before.size() && head < after.size() && before[head] == after[head])
            ++head;
        std::size_t tail = 0;
        while (tail < before.size() - head && tail < after.size() - head &&
               before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
            ++tail;
        Require(after.size() > before.size() && head + tail == before.size(),
                "a save keeps every line it does not write");
    }

    const TIniFile reread(file);
    Require(reread.ReadInteger("fuzz", "NUMBER", 0) == number, "a written integer reads back");
    Require(reread.ReadBool("Fuzz", "Flag", (size & 1) == 0) == ((size & 1) != 0),
            "a written boolean reads back");
    QString oneLine = value;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    // Blanks are spaces and tabs: other control characters are kept.
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!oneLine.isEmpty() && blank(oneLine.front()))
        oneLine.remove(0, 1);
    while (!oneLine.isEmpty() && blank(oneLine.back()))
        oneLine.chop(1);
    oneLine = oneLine.left(kelvara::IniMaxValueLength);
    Require(utf16(reread.ReadString("Fuzz", "Value", {})) == oneLine,
            "a written text reads back on one line");
    if (!HoldsControlCharacter(section) && !HoldsControlCharacter(kept) &&
        section.compare(QStringLiteral("Fuzz"), Qt::CaseInsensitive) != 0)
        Require(utf16(reread.ReadString(utf8(section), utf8(kept), {})) == keptValue,
                "a key nobody wrote keeps its value");
    return 0;
}
