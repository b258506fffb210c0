// Test entry for everything that touches Qt: one QApplication for the whole
// program, as in Carotix itself (it also changes the C locale, which the
// number rules must not notice).
#include <QApplication>
#include <gtest/gtest.h>

#include "global_watch.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    InstallGlobalWatch();  // every test puts back the settings it changes
    return RUN_ALL_TESTS();
}
