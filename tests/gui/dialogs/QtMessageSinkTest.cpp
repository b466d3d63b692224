// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/QtMessageSink.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "GuiTestSupport.h"

namespace torvan {
namespace {

Message Make(const std::string& text, unsigned type) {
    return Message{"Test", {}, text, type};
}

TEST(QtMessageSink, ButtonsAndIconsFollowTheMessageType) {
    struct Case {
        unsigned type;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {kMbOk, QMessageBox::Ok, QMessageBox::NoIcon},
        {kMbYesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question},
        {kMbOkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoIcon},
        {kMbOk | kMbIconInformation, QMessageBox::Ok, QMessageBox::Information},
        {kMbOk | kMbIconExclamation, QMessageBox::Ok, QMessageBox::Warning},
        {kMbOk | kMbIconStop, QMessageBox::Ok, QMessageBox::Critical},
        {kMbYesNo | kMbIconQuestion, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const auto box = QtMessageSink::CreateBox(Make("Text", c.type), nullptr);
        EXPECT_EQ(box->standardButtons(), c.buttons);
        EXPECT_EQ(box->icon(), c.icon);
    }
}

TEST(QtMessageSink, TextIsShownVerbatimAndYesIsTheDefault) {
    const auto box = QtMessageSink::CreateBox(
        Make("Directory <a&b> does not exist.\nCreate this directory?", kMbYesNo), nullptr);
    EXPECT_EQ(box->text(), QString("Directory <a&b> does not exist.\nCreate this directory?"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->windowTitle(), QString("Torvan"));
}

// Show runs the box modally and answers the button pressed in it.
TEST(QtMessageSink, ShowReturnsThePressedButton) {
    QtMessageSink sink;
    const auto press = [](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [which] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(which)->click();
        });
    };
    press(QMessageBox::No);
    EXPECT_EQ(sink.Show(Make("Create?", kMbYesNo)), kIdNo);
    press(QMessageBox::Yes);
    EXPECT_EQ(sink.Show(Make("Create?", kMbYesNo)), kIdYes);
    press(QMessageBox::Cancel);
    EXPECT_EQ(sink.Show(Make("Go on?", kMbOkCancel)), kIdCancel);
    press(QMessageBox::Ok);
    EXPECT_EQ(sink.Show(Make("Done", kMbOk | kMbIconInformation)), kIdOk);
}

}  // namespace
}  // namespace torvan
