// One QApplication for all GUI tests, on the offscreen platform unless the
// caller chose another one, with Qt's texts in German as the program has them.
#include <QApplication>
#include <gtest/gtest.h>

#include "ui/GermanQtTexts.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tonvera::InstallGermanQtTexts(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
