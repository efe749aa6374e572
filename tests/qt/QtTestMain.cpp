#include "platform/qt/ViewStyle.h"

#include <gtest/gtest.h>

#include <QApplication>

// The view needs a QApplication; offscreen unless the caller chose a platform.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qtview::ViewStyle::install(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
