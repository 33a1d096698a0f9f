// SPDX-License-Identifier: GPL-3.0-or-later
// One QApplication for all GUI tests, on the offscreen platform unless the
// caller chose another one, with Qt's texts in German as the program has them.
// The user's settings and recovery file stay untouched: both folders point
// into a temporary folder of this run (programs the tests start inherit
// them), and every test starts with neither settings nor a recovery file.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

#include "ui/GermanQtTexts.h"

namespace {

class FreshSettings : public ::testing::EmptyTestEventListener {
public:
    explicit FreshSettings(std::filesystem::path state) : State(std::move(state)) {}
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "tonvera", "tonvera").clear();
        std::error_code ec;
        std::filesystem::remove_all(State, ec);
    }

private:
    std::filesystem::path State;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath("state")));
    QApplication app(argc, argv);
    tonvera::InstallGermanQtTexts(app);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings(home.filePath("state").toStdString()));
    return RUN_ALL_TESTS();
}
