// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' languages: every catalog translates every text the sources
// hold, the user's languages choose the catalog, and the two failures the
// user is told of speak the language chosen.

#include "app/StateSaveReport.h"
#include "app/Translation.h"
#include "desktop/Shortcut.h"
#include "support/QStringPrint.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "ui/ErrorBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cerrno>
#include <gtest/gtest.h>
#include <set>
#include <system_error>

using namespace kelvara;
using kelvara::test::TempDir;

namespace {

const QString SourceDir = QStringLiteral(KELVARA_SOURCE_DIR);
const QString EnglishTs = SourceDir + QStringLiteral("/translations/kelvara_en.ts");

struct TMessage {
    QString context;
    QString source;
    QString translation;
    QString type; // the translation's type attribute: "unfinished", "vanished", ...
};

std::vector<TMessage> ReadCatalog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    std::vector<TMessage> messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (xml.readNext() != QXmlStreamReader::EndDocument && !xml.hasError()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.push_back({context, {}, {}, {}});
        } else if (xml.name() == QLatin1String("source") && !messages.empty()) {
            messages.back().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.empty()) {
            messages.back().type = xml.attributes().value(QLatin1String("type")).toString();
            messages.back().translation = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

std::multiset<QString> Placeholders(const QString& text) {
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    std::multiset<QString> found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured());
    return found;
}

// What is wrong with a catalog's messages, one line each; empty when every
// message has a finished translation that keeps its source's placeholders.
std::vector<std::string> Problems(const std::vector<TMessage>& messages) {
    std::vector<std::string> problems;
    for (const TMessage& message : messages) {
        const std::string where =
            message.context.toStdString() + ": \"" + message.source.toStdString() + "\"";
        if (!message.type.isEmpty())
            problems.push_back(where + " is " + message.type.toStdString());
        else if (message.translation.isEmpty())
            problems.push_back(where + " has no translation");
        else if (Placeholders(message.translation) != Placeholders(message.source))
            problems.push_back(where + " loses or adds a placeholder");
    }
    return problems;
}

bool HasSource(const std::vector<TMessage>& messages, const QString& source) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const TMessage& message) { return message.source == source; });
}

// lupdate brings a copy of `catalog` up to date with the sources as they are
// now, as the update_translations target does: a text added since gets an
// unfinished entry, one gone is marked vanished. The copy's messages.
std::vector<TMessage> UpdatedFromTheSources(const QString& catalog, const TempDir& temp) {
    const QString copy =
        QString::fromStdString(temp.file(QFileInfo(catalog).fileName().toStdString()));
    if (!QFile::copy(catalog, copy)) {
        ADD_FAILURE() << "cannot copy " << catalog.toStdString();
        return {};
    }
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(KELVARA_LUPDATE),
                  {SourceDir + "/src", SourceDir + "/resources", "-I", SourceDir + "/src",
                   "-source-language", "ja", "-locations", "none", "-ts", copy});
    if (!lupdate.waitForFinished(120000) || lupdate.exitCode() != 0) {
        ADD_FAILURE() << "lupdate failed: " << lupdate.readAll().toStdString();
        return {};
    }
    return ReadCatalog(copy);
}

} // namespace

TEST(Catalogs, EveryTextInTheSourcesHasAFinishedTranslationInEveryCatalog) {
    const QStringList catalogs =
        QDir(SourceDir + "/translations").entryList({"kelvara_*.ts"}, QDir::Files);
    ASSERT_TRUE(catalogs.contains("kelvara_en.ts"));
    TempDir temp;
    for (const QString& name : catalogs) {
        SCOPED_TRACE(name.toStdString());
        const QString catalog = SourceDir + "/translations/" + name;
        EXPECT_TRUE(QFile::exists(":/i18n/" + QFileInfo(name).completeBaseName() + ".qm"))
            << "listed in CMake, so built and embedded";
        const std::vector<TMessage> committed = ReadCatalog(catalog);
        EXPECT_EQ(Problems(committed), std::vector<std::string>{});
        const std::vector<TMessage> current = UpdatedFromTheSources(catalog, temp);
        EXPECT_EQ(Problems(current), std::vector<std::string>{});
        EXPECT_EQ(current.size(), committed.size());
    }

    const std::vector<TMessage> english = ReadCatalog(EnglishTs);
    // Captions of both windows, texts set in code and the description line.
    for (const char* source :
         {"デジカメ写真をドロップするとリネームします",
          "撮影日_サイズ_カメラのモデル_元のファイル名", "ex)%1", "%1 に書き込めません",
          "写真の撮影日をファイル名の先頭につけるツール", "System Information",
          "Kernel:%1; User:%2; Process:%3"})
        EXPECT_TRUE(HasSource(english, QString::fromUtf8(source))) << source;
    // Data stays out of the catalogs.
    for (const char* data : {"VERSION", "MainForm", "InfoForm", "20080318", "_3444.JPG", "Ver."})
        EXPECT_FALSE(HasSource(english, QString::fromUtf8(data))) << data;
}

TEST(CatalogChoice, JapaneseAsWrittenEnglishForEveryOtherLanguage) {
    const QString english = QStringLiteral(":/i18n/kelvara_en.qm");
    // As QLocale::uiLanguages() gives them for LANG=... or LANGUAGE=...
    EXPECT_EQ(CatalogFor({"ja-JP", "ja-Jpan-JP", "ja"}), QString());
    EXPECT_EQ(CatalogFor({"ja", "ja-Jpan-JP", "ja-JP"}), QString());
    EXPECT_EQ(CatalogFor({"en-US", "en-Latn-US", "en"}), english);
    EXPECT_EQ(CatalogFor({"en-GB", "en-Latn-GB", "en"}), english);
    EXPECT_EQ(CatalogFor({"de-DE", "de-Latn-DE", "de"}), english);
    EXPECT_EQ(CatalogFor({"zh-Hant-TW", "zh-TW"}), english);
    EXPECT_EQ(CatalogFor({"C"}), english);
    EXPECT_EQ(CatalogFor({"POSIX"}), english);
    EXPECT_EQ(CatalogFor({}), english);
    // The first language Kelvara speaks decides: a German user who put
    // Japanese next reads Japanese, one who put English next reads English.
    EXPECT_EQ(CatalogFor({"de", "de-Latn-DE", "de-DE", "ja", "ja-Jpan-JP", "ja-JP"}), QString());
    EXPECT_EQ(CatalogFor({"de", "en", "ja"}), english);
    EXPECT_EQ(CatalogFor({"en_US", "ja_JP"}), english);
    EXPECT_TRUE(QFile::exists(english)) << "the build embeds the catalog";
}

TEST(CatalogChoice, TheChosenCatalogTranslatesUntilItGoes) {
    const QByteArray caption = QStringLiteral("年月日").toUtf8();
    {
        const TTranslation german({"de-DE", "de-Latn-DE", "de"});
        EXPECT_EQ(german.Catalog(), ":/i18n/kelvara_en.qm");
        EXPECT_EQ(QCoreApplication::translate("MainForm", caption), "Year Month Day");
    }
    EXPECT_EQ(QCoreApplication::translate("MainForm", caption), "年月日");
    const TTranslation japanese({"ja-JP"});
    EXPECT_EQ(japanese.Catalog(), "");
    EXPECT_EQ(QCoreApplication::translate("MainForm", caption), "年月日");
}

// Qt's own catalog follows the windows: its standard buttons speak Japanese
// on a Japanese desktop and English wherever the windows do.
TEST(CatalogChoice, TheStandardButtonsSpeakTheLanguageOfTheWindows) {
    EXPECT_EQ(QtCatalogFor({"ja-JP", "ja-Jpan-JP", "ja"}), "qtbase_ja");
    EXPECT_EQ(QtCatalogFor({"de", "ja"}), "qtbase_ja");
    EXPECT_EQ(QtCatalogFor({"de-DE", "de-Latn-DE", "de"}), "");
    EXPECT_EQ(QtCatalogFor({"C"}), "");

    // What the error box and a box with more buttons show.
    const auto buttons = [] {
        const TErrorBox error(QStringLiteral("Kelvara"), QStringLiteral("x"));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Kelvara"), QStringLiteral("x"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes);
        return QStringList{error.button(QMessageBox::Ok)->text(),
                           box.button(QMessageBox::Cancel)->text(),
                           box.button(QMessageBox::Yes)->text()};
    };
    {
        // As QLocale::uiLanguages() gives them for LANG=ja_JP.UTF-8.
        const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
        // Japanese writes OK in Latin letters too: the catalog's own word.
        EXPECT_EQ(buttons(), (QStringList{"OK", "キャンセル", "はい(&Y)"}));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), "OK");
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), "いいえ(&N)");
        // Our own texts still come from our sources.
        EXPECT_EQ(QCoreApplication::translate("MainForm", "年月日"), "年月日");
    }
    EXPECT_EQ(buttons(), (QStringList{"OK", "Cancel", "&Yes"})) << "gone with the translation";
    const TTranslation german({"de-DE", "de-Latn-DE", "de"});
    EXPECT_EQ(buttons(), (QStringList{"OK", "Cancel", "&Yes"}))
        << "English windows, English buttons";
}

TEST(ReportedFailures, TheStateFileAndShortcutMessagesSpeakTheChosenLanguage) {
    TempDir temp;
    const QString stateFile = QString::fromStdString(temp.file("Kelvara.ini"));
    const std::string missing = temp.file("no such folder");
    const QString linkFile = QString::fromStdString(missing + "/Kelvara.desktop");
    const QString reason = QString::fromLocal8Bit(std::generic_category().message(ENOENT));
    const auto shortcutError = [&]() -> QString {
        try {
            CreateShortcut("/opt/kelvara/Kelvara", missing, "Kelvara");
        } catch (const TShortcutError& error) {
            EXPECT_EQ(error.code().value(), ENOENT);
            EXPECT_EQ(error.LinkFiles(), missing + "/Kelvara.desktop");
            return error.Message();
        }
        ADD_FAILURE() << "the shortcut was written";
        return {};
    };

    {
        const TTranslation english({"en-US"});
        EXPECT_EQ(StateNotSavedMessage(stateFile), "Cannot write to " + stateFile + ".");
        EXPECT_EQ(shortcutError(), "Cannot create the shortcut " + linkFile + ": " + reason);
    }
    const TTranslation japanese({"ja-JP"});
    EXPECT_EQ(StateNotSavedMessage(stateFile), stateFile + " に書き込めません.");
    EXPECT_EQ(shortcutError(), "ショートカット " + linkFile + " を作成できません: " + reason);
}
