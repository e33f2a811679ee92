// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translation.h"

#include "app/Log.h"
#include "base/qt/QtLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>

namespace kelvara {

namespace {

// Where the build embeds a catalog (see src/CMakeLists.txt).
QString CatalogPath(const QString& name) {
    return QStringLiteral(":/i18n/kelvara_%1.qm").arg(name);
}

QString EnglishCatalog() {
    return CatalogPath(QStringLiteral("en"));
}

} // namespace

QString CatalogFor(const QStringList& uiLanguages) {
    for (const QString& language : uiLanguages) {
        // Qt writes "de-Latn-DE"; catalogs are named like locales, "de_DE".
        QStringList parts = QString(language).replace(u'-', u'_').split(u'_', Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        const QString base = parts.front().toLower();
        if (base == QLatin1String("c") || base == QLatin1String("posix"))
            return EnglishCatalog();
        if (base == QLatin1String("ja"))
            return {};
        parts.front() = base;
        for (; !parts.isEmpty(); parts.removeLast()) {
            const QString path = CatalogPath(parts.join(u'_'));
            if (QFile::exists(path))
                return path;
        }
    }
    return EnglishCatalog();
}

QString QtCatalogFor(const QStringList& uiLanguages) {
    const QString catalog = CatalogFor(uiLanguages);
    if (catalog.isEmpty())
        return QStringLiteral("qtbase_ja");
    if (catalog == EnglishCatalog())
        return {};
    // ":/i18n/kelvara_pt_BR.qm" -> "qtbase_pt_BR"
    return QStringLiteral("qtbase_") + QFileInfo(catalog).completeBaseName().section(u'_', 1);
}

TTranslation::TTranslation(const QStringList& uiLanguages) : m_catalog(CatalogFor(uiLanguages)) {
    // Qt's catalog first: the one installed last is asked first, and ours
    // must win where both know a text.
    const QString qtCatalog = QtCatalogFor(uiLanguages);
    if (!qtCatalog.isEmpty()) {
        // QTranslator falls back from "qtbase_pt_BR" to "qtbase_pt".
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (m_qtTranslator.load(qtCatalog, folder))
            m_qtInstalled = QCoreApplication::installTranslator(&m_qtTranslator);
        else
            // Qt's translations are not installed: its buttons stay English.
            LogDebug(lcApp) << "no" << qtCatalog << "in" << folder;
    }
    if (m_catalog.isEmpty())
        return;
    if (!m_translator.load(m_catalog)) {
        // Only a broken build lacks its catalog; the texts then stay as written.
        LogDebug(lcApp) << "cannot load" << m_catalog;
        m_catalog.clear();
        return;
    }
    m_installed = QCoreApplication::installTranslator(&m_translator);
}

TTranslation::~TTranslation() {
    if (m_installed)
        QCoreApplication::removeTranslator(&m_translator);
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qtTranslator);
}

} // namespace kelvara
