// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the dialog tests inside a QApplication. Without a display they use
// Qt's offscreen platform; message boxes never appear, since every dialog
// under test reports through a recording sink.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (at build time) needs no GUI at all.
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0) {
            return RUN_ALL_TESTS();
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
