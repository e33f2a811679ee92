// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language the windows speak. Their texts are written in Japanese, and a
// Japanese desktop sees them as written; every other desktop gets a catalog,
// English unless one for its own language is built in. The build compiles
// the catalogs from translations/*.ts and embeds them under :/i18n, so they
// are found wherever the program runs.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace kelvara {

// The embedded catalog (a resource path) for the user's interface languages,
// most preferred first, as QLocale::uiLanguages() gives them ("de-DE",
// "ja-Jpan-JP", "C"). The first language that Kelvara speaks decides:
// Japanese needs no catalog and gives the empty text; another language
// gives its catalog, the most specific one built in ("pt_BR" before "pt").
// "C" and "POSIX" ask for no language in particular and get English, and so
// does a list with no language that Kelvara speaks.
QString CatalogFor(const QStringList& uiLanguages);

// The name of Qt's own catalog ("qtbase_ja") for the language that
// CatalogFor chooses, so that the standard buttons and dialogs speak the
// windows' language: Japanese gives "qtbase_ja", another built-in catalog
// "kelvara_<x>" gives "qtbase_<x>", and English gives the empty text (Qt is
// written in English).
QString QtCatalogFor(const QStringList& uiLanguages);

// Puts the catalog that CatalogFor chooses, and Qt's catalog of the same
// language where Qt's translations are installed, in front of the
// application's texts for as long as it lives. Made after the application
// object and before the first window, whose design is translated as it is
// loaded.
class TTranslation {
public:
    explicit TTranslation(const QStringList& uiLanguages = QLocale::system().uiLanguages());
    ~TTranslation();
    TTranslation(const TTranslation&) = delete;
    TTranslation& operator=(const TTranslation&) = delete;

    // The catalog in use; empty while the texts stay as written.
    const QString& Catalog() const { return m_catalog; }

private:
    QTranslator m_translator;
    QTranslator m_qtTranslator;
    QString m_catalog;
    bool m_installed = false;
    bool m_qtInstalled = false;
};

} // namespace kelvara
