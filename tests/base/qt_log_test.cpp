// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux edition's log sink: the modules' lines reach Qt's logging under
// the same category names, filter rules and all.

#include "base/qt/QtLog.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace kelvara;

namespace {

const TLogCategory lcOne("kelvara.one");
const TLogCategory lcOther("kelvara.other");

struct QtMessage {
    std::string category;
    QtMsgType type;
    std::string text;
};
std::vector<QtMessage>* QtMessages = nullptr;

void KeepQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    QtMessages->push_back(
        {context.category != nullptr ? context.category : "", type, text.toStdString()});
}

} // namespace

TEST(LogLines, TheQtSinkFollowsTheFilterRulesAndKeepsTheCategoryNames) {
    std::vector<QtMessage> messages;
    QtMessages = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(KeepQtMessage);
    {
        const TQtLogSinkScope sink;
        LogDebug(lcOne) << "debug before the rules";
        LogWarning(lcOne) << "warning" << QString::fromUtf8("caf\xc3\xa9 \"x\"");
        QLoggingCategory::setFilterRules(QStringLiteral("kelvara.one.debug=true"));
        LogDebug(lcOne) << "debug" << std::string("/p.jpg");
        LogDebug(lcOther) << "other stays off";
        QLoggingCategory::setFilterRules(QString());
    }
    qInstallMessageHandler(previous);
    QtMessages = nullptr;

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].category, "kelvara.one");
    EXPECT_EQ(messages[0].type, QtWarningMsg);
    EXPECT_EQ(messages[0].text, "warning \"caf\xc3\xa9 \\\"x\\\"\"");
    EXPECT_EQ(messages[1].type, QtDebugMsg);
    EXPECT_EQ(messages[1].text, "debug \"/p.jpg\"");
}
