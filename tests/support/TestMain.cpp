#include <gtest/gtest.h>

#include <QCoreApplication>

// Every test binary runs inside a QCoreApplication so that sockets, timers and
// SQL drivers behave as they do in the product.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
