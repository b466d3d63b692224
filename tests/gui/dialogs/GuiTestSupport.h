// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>
#include <QTest>
#include <QWidget>
#include <ostream>
#include <string>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace torvan::test {

// The control with that object name (its id, as "edit1004"); the test stops
// at the first use of one that is missing.
template <class T>
T* Control(const QWidget* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

// A mouse click where a user clicks: on the box of a check box or radio
// button, in the middle of anything else.
inline void Click(QAbstractButton* button) {
    if (qobject_cast<QCheckBox*>(button) != nullptr ||
        qobject_cast<QRadioButton*>(button) != nullptr) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

// Types text over everything the field holds.
inline void TypeOver(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

}  // namespace torvan::test
